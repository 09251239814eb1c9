// Loading, selection, the sidebar's sections and the quick-capture board. The selection only moves
// by an explicit choice or when its board has left the workspace; then the first active board (or
// else the first archived one) takes its place, and with no boards at all the last one stays shown.
#include "analytics/UsageAnalytics.h"
#include "domain/Log.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "store/SavedBoardItems.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"

#include <QCoro/QCoroFuture>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

void BoardViewModel::loadBoards(bool signedIn)
{
    reloadWorkspaceFromStore(signedIn);
}

void BoardViewModel::reloadWorkspaceFromStore(bool signedIn)
{
    auto fetched = LocalDataService::fetchLocalBoards(m_context);
    if (!fetched) {
        // Nothing to show rather than a half-read list; the selection keeps its last value.
        logLine(QStringLiteral("Loading boards failed: ") + fetched.error().message);
        setBoards({});
        recomputeBoardSections();
        return;
    }
    QList<Board> boards = std::move(*fetched);
    if (!signedIn)
        boards.removeIf([](const Board& board) { return board.syncWithServer; });

    // Boards shown with their items keep them (read afresh); the rest only get their tallies, so
    // the cost does not grow with the items of boards nobody looks at.
    QSet<QUuid> loaded {m_selectedBoard.id};
    for (const Board& board : std::as_const(m_boards)) {
        if (board.hasItemsLoaded())
            loaded.insert(board.id);
    }
    const auto tallies = m_context.fetchItemTallies();
    if (!tallies)
        logLine(QStringLiteral("Counting items failed: ") + tallies.error().message);
    for (Board& board : boards) {
        if (loaded.contains(board.id) || !tallies)
            board = withStoredItems(std::move(board));
        else
            board.storedTally = tallies->value(board.id);
    }
    setBoards(std::move(boards));
    recomputeBoardSections();
    setHighlightedBoards(m_localStore.get(PreferenceKeys::highlightedBoards()));
    ensureSelectionAfterLoad();
    updateShouldHighlightRefresh();
}

QCoro::Task<void> BoardViewModel::selectBoard(QUuid boardId)
{
    // Items read since the last save are the store's: reading them again (20,000 on a large board)
    // would only cost time, at start above all, where the load has just read them. A board shown by
    // its first page has the rest on the way.
    const bool current = m_selectedItemsFresh && !m_context.hasChanges();
    const std::optional<Board> board
        = boardId == m_selectedBoard.id && (current || m_selectedBoard.hasFirstPageOnly())
            && m_boards.contains(m_selectedBoard)
        ? std::optional(m_selectedBoard)
        : reloadBoardItems(boardId);
    if (!board)
        co_return;
    setSelectedBoard(*board);
    storeSelectedBoardIntoBoards();
    track(UsageEvent::boardSelected,
        {{QStringLiteral("storage"), storageOptionText(storageOf(board->syncWithServer))},
            {QStringLiteral("state"),
                board->isActive ? QStringLiteral("active") : QStringLiteral("archived")}});
    updateShouldHighlightRefresh();
    if (board->syncWithServer)
        co_await refreshBoardDetails(*board);
}

void BoardViewModel::applyBoardUpdate(Board board, std::optional<qint64> revision)
{
    if (revision)
        board.revision = *revision;
    const auto it = std::find(m_boards.begin(), m_boards.end(), board);
    // A copy of a board whose items were not loaded carries none (an operation may have added the
    // one it changed): the store, which has every change, tells what it holds now.
    if (!board.hasItemsLoaded()) {
        const bool shown = it != m_boards.end() ? it->hasItemsLoaded() : board.id == m_selectedBoard.id;
        board = shown || board.id == m_selectedBoard.id ? withStoredItems(std::move(board))
                                                        : withStoredTally(std::move(board));
    }
    if (it != m_boards.end())
        *it = board;
    else
        m_boards.append(board);
    Q_EMIT boardsChanged();
    recomputeBoardSections();

    if (board.id == m_selectedBoard.id) {
        setSelectedBoard(board);
        storeSelectedBoardIntoBoards();
        evaluateSelectedBoardRevision(revision);
    }
    validateQuickCaptureBoard();
}

void BoardViewModel::recomputeBoardSections()
{
    QList<Board> active;
    QList<Board> archived;
    for (const Board& board : std::as_const(m_boards))
        (board.isActive ? active : archived).append(board);
    // Boards compare by id only, so a list of the same ids may still carry new content: always publish.
    m_displayedBoards = std::move(active);
    m_archivedBoards = std::move(archived);
    Q_EMIT displayedBoardsChanged();
    Q_EMIT archivedBoardsChanged();

    validateQuickCaptureBoard();

    if (m_boards.contains(m_selectedBoard))
        return;
    const std::optional<Board> chosen = selectionCandidate();
    if (!chosen)
        return;
    if (chosen->id != m_selectedBoard.id) {
        setSelectedBoard(*chosen);
        storeSelectedBoardIntoBoards();
    }
}

std::optional<Board> BoardViewModel::selectionCandidate() const
{
    const QList<Board>& candidates = m_displayedBoards.isEmpty() ? m_archivedBoards : m_displayedBoards;
    if (candidates.isEmpty())
        return std::nullopt;
    // At start the board shown last time is about to be selected: reading the first board's items
    // for the moment in between would only cost time.
    if (!m_hasSelectedBoard) {
        if (const std::optional<QUuid> last = m_localStore.get(PreferenceKeys::selectedBoardId())) {
            for (const Board& board : candidates) {
                if (board.id == *last)
                    return board;
            }
        }
    }
    return candidates.first();
}

void BoardViewModel::storeSelectedBoardIntoBoards()
{
    const auto it = std::find(m_boards.begin(), m_boards.end(), m_selectedBoard);
    if (it == m_boards.end())
        return;
    *it = m_selectedBoard;
    Q_EMIT boardsChanged();
    recomputeBoardSections();
}

void BoardViewModel::ensureSelectionAfterLoad()
{
    if (!m_boards.contains(m_selectedBoard)) {
        const std::optional<Board> chosen = selectionCandidate();
        if (chosen && chosen->id != m_selectedBoard.id) {
            setSelectedBoard(*chosen);
            storeSelectedBoardIntoBoards();
        }
    }
    updateShouldHighlightRefresh();
}

std::optional<Board> BoardViewModel::knownBoard(const QUuid& boardId) const
{
    for (const Board& board : m_boards) {
        if (board.id == boardId)
            return board;
    }
    if (m_selectedBoard.id == boardId)
        return m_selectedBoard;
    return std::nullopt;
}

std::optional<Board> BoardViewModel::findBoard(const QUuid& boardId)
{
    const auto held = std::find_if(
        m_boards.begin(), m_boards.end(), [&](const Board& board) { return board.id == boardId; });
    if (held == m_boards.end())
        return m_selectedBoard.id == boardId ? std::optional(m_selectedBoard) : std::nullopt;
    // Same content, only read in: nothing the views show changes, so nothing is announced (views
    // ask for boards while they lay out). A board shown by its first page keeps showing it until
    // its rest arrives.
    if (!held->hasItemsLoaded())
        *held = withStoredItems(*held);
    return *held;
}

std::optional<Board> BoardViewModel::reloadBoardItems(const QUuid& boardId)
{
    std::optional<Board> board = knownBoard(boardId);
    if (!board)
        return std::nullopt;
    // On a failed fetch the board stays usable with the items it already shows.
    board = withStoredItems(std::move(*board));
    applyBoardUpdate(*board);
    return board;
}

Board BoardViewModel::withItemsToShow(Board board)
{
    const bool large = board.storedTally && board.storedTally->total >= m_firstPageThreshold;
    if (!large || m_context.hasChanges())
        return withStoredItems(std::move(board));
    auto page = m_context.fetchFirstPage(board.id, m_firstPageItems);
    if (!page) {
        logLine(QStringLiteral("Loading the first items failed: ") + page.error().message);
        return withStoredItems(std::move(board));
    }
    board.items.clear();
    board.items.reserve(page->items.size());
    for (const auto& record : std::as_const(page->items))
        board.items.append(toItem(*record));
    board.firstPageCounts = page->counts;
    readRestOfBoard(board.id);
    return board;
}

QCoro::Task<void> BoardViewModel::readRestOfBoard(QUuid boardId)
{
    QPointer<BoardViewModel> self(this);
    const quint64 savesBefore = m_storeSaves;
    // The reading connection sees committed rows only: what a sync's steps hold goes to the file first.
    const bool allCommitted = m_context.commitHeldSaves().has_value();
    QFuture<std::expected<QList<Item>, StoreError>> reading = QtConcurrent::run(
        [fileName = m_context.fileName(), boardId] { return readSavedBoardItems(fileName, boardId); });
    std::expected<QList<Item>, StoreError> read = co_await reading;
    if (!self)
        co_return;
    // Only a board still shown by its first page takes the rest: one read whole meanwhile (by an
    // operation) is newer, and one that left the workspace stays gone.
    const auto held = std::find_if(
        m_boards.cbegin(), m_boards.cend(), [&](const Board& board) { return board.id == boardId; });
    const bool shownByPage = m_selectedBoard.id == boardId && m_selectedBoard.hasFirstPageOnly();
    if (held == m_boards.cend() || (!held->hasFirstPageOnly() && !shownByPage)) {
        Q_EMIT restOfBoardRead(boardId);
        co_return;
    }
    Board board = held->hasFirstPageOnly() ? *held : m_selectedBoard;
    // The file as it was some time after the first page: a save since may be missing from it, and
    // unsaved changes are not in it. The context then reads the board, as it would have at once.
    if (read && allCommitted && m_storeSaves == savesBefore && !m_context.hasChanges()) {
        board.items = std::move(*read);
        board.storedTally.reset();
        board.firstPageCounts.reset();
    } else {
        if (!read)
            logLine(QStringLiteral("Reading the board's items apart failed: ") + read.error().message);
        board = withStoredItems(std::move(board));
    }
    applyBoardUpdate(board);
    if (board.hasItemsLoaded() && m_selectedBoard.id == boardId)
        m_selectedItemsFresh = true;
    Q_EMIT restOfBoardRead(boardId);
}

void BoardViewModel::validateQuickCaptureBoard()
{
    if (!m_quickCaptureBoardId)
        return;
    const QUuid id = *m_quickCaptureBoardId;
    const bool known = m_selectedBoard.id == id
        || std::any_of(
            m_boards.cbegin(), m_boards.cend(), [&](const Board& board) { return board.id == id; });
    if (!known)
        setQuickCaptureBoardId(std::nullopt);
}

void BoardViewModel::setQuickCaptureBoard(const std::optional<Board>& board)
{
    const std::optional<QUuid> id = board ? std::optional(board->id) : std::nullopt;
    if (id == m_quickCaptureBoardId)
        return;
    setQuickCaptureBoardId(id);
}

bool BoardViewModel::isQuickCaptureBoard(const QUuid& boardId) const
{
    return m_quickCaptureBoardId && *m_quickCaptureBoardId == boardId;
}

std::optional<Board> BoardViewModel::quickCaptureBoard() const
{
    if (!m_quickCaptureBoardId)
        return std::nullopt;
    if (m_selectedBoard.id == *m_quickCaptureBoardId)
        return m_selectedBoard;
    for (const Board& board : m_boards) {
        if (board.id == *m_quickCaptureBoardId)
            return board;
    }
    return std::nullopt;
}
