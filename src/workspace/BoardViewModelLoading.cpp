// Loading, selection, the sidebar's sections and the quick-capture board. The selection only moves
// by an explicit choice or when its board has left the workspace; then the first active board (or
// else the first archived one) takes its place, and with no boards at all the last one stays shown.
#include "analytics/UsageAnalytics.h"
#include "domain/Log.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "workspace/BoardViewModel.h"

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

    setBoards(withStoredItems(std::move(boards)));
    recomputeBoardSections();
    setHighlightedBoards(m_localStore.get(PreferenceKeys::highlightedBoards()));
    ensureSelectionAfterLoad();
    updateShouldHighlightRefresh();
}

QCoro::Task<void> BoardViewModel::selectBoard(QUuid boardId)
{
    const std::optional<Board> board = reloadBoardItems(boardId);
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
    const QList<Board>& candidates = m_displayedBoards.isEmpty() ? m_archivedBoards : m_displayedBoards;
    if (candidates.isEmpty())
        return;
    const Board chosen = candidates.first();
    if (chosen.id != m_selectedBoard.id) {
        setSelectedBoard(chosen);
        storeSelectedBoardIntoBoards();
    }
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
        const QList<Board>& candidates = m_displayedBoards.isEmpty() ? m_archivedBoards : m_displayedBoards;
        if (!candidates.isEmpty() && candidates.first().id != m_selectedBoard.id) {
            setSelectedBoard(candidates.first());
            storeSelectedBoardIntoBoards();
        }
    }
    updateShouldHighlightRefresh();
}

std::optional<Board> BoardViewModel::findBoard(const QUuid& boardId) const
{
    for (const Board& board : m_boards) {
        if (board.id == boardId)
            return board;
    }
    if (m_selectedBoard.id == boardId)
        return m_selectedBoard;
    return std::nullopt;
}

std::optional<Board> BoardViewModel::reloadBoardItems(const QUuid& boardId)
{
    std::optional<Board> board = findBoard(boardId);
    if (!board)
        return std::nullopt;
    const auto records = LocalDataService::fetchLocalItems(boardId, 0, m_context);
    if (!records) {
        // The board stays usable with the items it already shows.
        logLine(QStringLiteral("Loading items failed: ") + records.error().message);
        return board;
    }
    board->items.clear();
    for (const auto& record : *records) {
        if (!record->deletedAt())
            board->items.append(toItem(*record));
    }
    applyBoardUpdate(*board);
    return board;
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
