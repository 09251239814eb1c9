#include "workspace/BoardViewModel.h"

#include "analytics/UsageAnalytics.h"
#include "domain/Log.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "workspace/SyncedBoardItems.h"

#include <QTimer>
#include <algorithm>
#include <vector>

namespace {
// What selectedBoard holds until a real board is selected.
Board placeholderBoard()
{
    Board board;
    board.id = QUuid::createUuid();
    board.name = QStringLiteral("Placeholder");
    board.createdAt = QDateTime::currentDateTimeUtc();
    board.updatedAt = board.createdAt;
    board.syncWithServer = false;
    board.createdBy = QStringLiteral("n/a");
    board.isActive = true;
    board.revision = 0;
    return board;
}
}

BoardViewModel::BoardViewModel(Services services, QObject* parent)
    : QObject(parent)
    , m_context(services.context)
    , m_api(services.api)
    , m_localStore(services.localStore)
    , m_toasts(services.toasts)
    , m_analytics(services.analytics)
    , m_boardRepo(&services.api)
    , m_revisionHighlightController(services.localStore)
    , m_conflictCopies(services.context)
    , m_selectedBoard(placeholderBoard())
    , m_isArchivedSectionCollapsed(m_localStore.get(PreferenceKeys::archivedCollapsed()))
    , m_quickCaptureBoardId(m_localStore.get(PreferenceKeys::quickCaptureId()))
{
    m_conflictCopies.load();
    connect(&m_context, &StoreContext::saved, this, [this] {
        m_selectedItemsFresh = false;
        ++m_storeSaves;
    });
}

BoardViewModel::~BoardViewModel() = default;

void BoardViewModel::setArchivedSectionCollapsed(bool collapsed)
{
    if (m_isArchivedSectionCollapsed == collapsed)
        return;
    m_isArchivedSectionCollapsed = collapsed;
    // Remembered across runs: the sidebar opens the way the user left it.
    m_localStore.set(collapsed, PreferenceKeys::archivedCollapsed());
    Q_EMIT archivedSectionCollapsedChanged(collapsed);
}

void BoardViewModel::setSearchQuery(const QString& query)
{
    if (m_searchQuery == query)
        return;
    m_searchQuery = query;
    Q_EMIT searchQueryChanged(query);
}

void BoardViewModel::setBoards(QList<Board> boards)
{
    m_boards = std::move(boards);
    Q_EMIT boardsChanged();
}

void BoardViewModel::setSelectedBoard(Board board)
{
    // The views read the selected board's items at once (a large board's first page, to begin with).
    bool readNow = false;
    if (!board.hasItemsLoaded() && !board.hasFirstPageOnly()) {
        board = withItemsToShow(std::move(board));
        readNow = board.hasItemsLoaded();
        const auto held = std::find(m_boards.begin(), m_boards.end(), board);
        if (held != m_boards.end() && !held->hasItemsLoaded() && !held->hasFirstPageOnly()) {
            held->items = board.items;
            held->storedTally = board.storedTally;
            held->firstPageCounts = board.firstPageCounts;
        }
    }
    m_selectedItemsFresh = readNow;
    m_selectedBoard = std::move(board);
    m_hasSelectedBoard = true;
    Q_EMIT selectedBoardChanged();
}

void BoardViewModel::setHighlightedBoards(QSet<QUuid> ids)
{
    if (m_highlightedBoards == ids)
        return;
    m_highlightedBoards = std::move(ids);
    Q_EMIT highlightedBoardsChanged();
}

void BoardViewModel::setShouldHighlightRefresh(bool highlight)
{
    if (m_shouldHighlightRefresh == highlight)
        return;
    m_shouldHighlightRefresh = highlight;
    Q_EMIT shouldHighlightRefreshChanged(highlight);
}

void BoardViewModel::setSyncing(const QUuid& boardId, bool syncing)
{
    const bool changed = syncing ? !m_syncingBoards.contains(boardId) : m_syncingBoards.contains(boardId);
    if (!changed)
        return;
    if (syncing)
        m_syncingBoards.insert(boardId);
    else
        m_syncingBoards.remove(boardId);
    Q_EMIT syncingBoardsChanged();
}

void BoardViewModel::setQuickCaptureBoardId(std::optional<QUuid> boardId)
{
    m_quickCaptureBoardId = boardId;
    m_localStore.set(boardId, PreferenceKeys::quickCaptureId());
    Q_EMIT quickCaptureBoardIdChanged();
}

void BoardViewModel::replaceBoard(const Board& board)
{
    const auto it = std::find(m_boards.begin(), m_boards.end(), board);
    if (it != m_boards.end()) {
        *it = board;
        Q_EMIT boardsChanged();
    }
    if (m_selectedBoard.id == board.id)
        setSelectedBoard(board);
}

void BoardViewModel::removeBoardFromWorkspace(const QUuid& boardId)
{
    const auto removed = m_boards.removeIf([&](const Board& board) { return board.id == boardId; });
    if (removed > 0)
        Q_EMIT boardsChanged();
    recomputeBoardSections();
}

Board BoardViewModel::withStoredItems(Board board)
{
    auto records = LocalDataService::fetchLocalItems(board.id, 0, m_context);
    if (!records) {
        logLine(QStringLiteral("Loading items failed: ") + records.error().message);
        return board;
    }
    board.items.clear();
    board.items.reserve(records->size());
    // The store returns newest first; the board keeps that order and the views sort by `order`.
    for (const auto& record : std::as_const(*records)) {
        if (!record->deletedAt())
            board.items.append(toItem(*record));
    }
    board.storedTally.reset();
    board.firstPageCounts.reset();
    return board;
}

Board BoardViewModel::withStoredTally(Board board)
{
    board.items.clear();
    board.firstPageCounts.reset();
    if (const auto tallies = m_context.fetchItemTallies())
        board.storedTally = tallies->value(board.id);
    else if (!board.storedTally)
        board.storedTally = OverallBoardProgress {};
    return board;
}

void BoardViewModel::refreshSyncedItems(Board board, SyncedBoardItems& synced)
{
    // Not loaded: the store's tally (or, when shown, its items) as applyBoardUpdate reads them.
    if (!board.hasItemsLoaded()) {
        applyBoardUpdate(std::move(board));
        return;
    }
    board = synced.mergedInto(std::move(board));
    // A change written to the store past the workspace would stay unseen here; the store's tally
    // (a small table) shows when the counts disagree, and the board is then read whole.
    if (const auto tallies = m_context.fetchItemTallies(); !tallies || tallies->value(board.id).total != board.items.size())
        board = withStoredItems(std::move(board));
    applyBoardUpdate(std::move(board));
}

void BoardViewModel::track(UsageEvent event, const QJsonObject& properties)
{
    m_analytics.track(event, properties);
}

void BoardViewModel::cancelRefreshReset(const QUuid& boardId)
{
    if (QTimer* timer = m_refreshStateResetTasks.take(boardId)) {
        timer->stop();
        timer->deleteLater();
    }
}
