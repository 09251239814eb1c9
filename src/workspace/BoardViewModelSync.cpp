// Cloud board sync: the checkpoint sync of one board and of all of them, the board list and one
// board's details from the service, the per-board refresh indicator, revoked boards and the clearing
// of cloud data after sign-out. The service's copy of an item always wins, but what the user wrote is
// never thrown away: a version the service did not take is kept as a conflict copy, and an item
// changed while its sync ran keeps its newer change pending.
#include "domain/Log.h"
#include "domain/WireConversions.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/PendingBoardInfoStore.h"
#include "store/PreferenceKeys.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"
#include "workspace/SyncAnswerApplier.h"
#include "workspace/SyncConflicts.h"
#include "workspace/SyncedBoardItems.h"

#include <coroutine>
#include <QCoro/QCoroTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>

namespace {
constexpr double successIndicatorSeconds = 3.0;
constexpr double longToastSeconds = 4.0;
// A sync's answer is written in steps of about this long. Now and then a step takes two or three
// times as long (the disk is shared with the log's checkpoints): the budget leaves room for that.
constexpr qint64 stepBudgetMs = 12;
constexpr qsizetype firstStepItems = 500;
// Each step's commit has a cost of its own (the write-ahead log's sync): much smaller steps would
// make a large sync far slower overall.
constexpr qsizetype minimumStepItems = 100;

ApiError storeFailure(const StoreError& error)
{
    ApiError failure;
    failure.message = error.message;
    return failure;
}

bool sameRemoteItem(const RemoteItem& a, const RemoteItem& b)
{
    return a.id == b.id && a.content == b.content && a.status == b.status && a.boardId == b.boardId
        && a.assignee == b.assignee && a.order == b.order && a.updatedAt == b.updatedAt
        && a.deletedAt == b.deletedAt && a.archivedAt == b.archivedAt && a.revision == b.revision;
}

// Resumes the waiting coroutine once no sync of the board runs, in a later turn of the event loop than
// the change. QCoro's signal awaiter resumes once for every emission queued before its first one was
// delivered, and a second resumption reaches a coroutine that has moved on (several syncs starting in
// one turn did that).
class SyncOfBoardEnded
{
public:
    SyncOfBoardEnded(BoardViewModel& workspace, const QUuid& boardId)
        : m_workspace(&workspace)
        , m_boardId(boardId)
    {
    }
    bool await_ready() const { return !m_workspace->syncingBoards().contains(m_boardId); }
    void await_suspend(std::coroutine_handle<> waiting)
    {
        m_connection = QObject::connect(m_workspace, &BoardViewModel::syncingBoardsChanged, m_workspace,
            [this, waiting] {
                if (m_workspace->syncingBoards().contains(m_boardId))
                    return;
                QObject::disconnect(m_connection);
                QTimer::singleShot(0, m_workspace, [waiting] { waiting.resume(); });
            });
    }
    void await_resume() const {}

private:
    BoardViewModel* m_workspace;
    QUuid m_boardId;
    QMetaObject::Connection m_connection;
};

QJsonObject refreshResult(bool success)
{
    return {{QStringLiteral("storage"), QStringLiteral("cloud")},
        {QStringLiteral("result"), success ? QStringLiteral("success") : QStringLiteral("failure")}};
}
}

std::optional<qint64> BoardViewModel::heldCheckpoint(const QUuid& boardId) const
{
    return m_localStore.get(PreferenceKeys::checkpoint(boardId));
}

QCoro::Task<bool> BoardViewModel::syncBoard(Board board, bool showToast, bool queueBehindRunning)
{
    const QUuid boardId = board.id;
    QPointer<BoardViewModel> self(this);
    if (m_syncingBoards.contains(boardId)) {
        if (!showToast && !queueBehindRunning)
            co_return false;
        // The running sync may have been sent before the user's latest change: this one follows it,
        // with its own toasts, on the board as it is then.
        while (m_syncingBoards.contains(boardId))
            co_await SyncOfBoardEnded(*this, boardId);
        const std::optional<Board> current = knownBoard(boardId);
        if (!current || !current->syncWithServer)
            co_return false;
        board = *current;
    }
    // Tested and set with no suspension in between: the only guard against two syncs of one board.
    setSyncing(boardId, true);
    setRefreshState(BoardRefreshState::refreshing, boardId);

    // The pending items go in parts of at most SyncRequest::maxItems, each part's answer written
    // (and its checkpoint kept) before the next part is read from the store and sent. An item is
    // sent once per sync: one changed again meanwhile stays pending for the next sync.
    QSet<QUuid> sentBefore;
    ApiResult<SyncResponse> answer = std::unexpected(ApiError {});
    LocalDataService::Result applied = std::unexpected(StoreError {});
    for (bool firstPart = true;; firstPart = false) {
        SyncRequest request;
        request.checkpoint = m_localStore.get(PreferenceKeys::checkpoint(boardId)).value_or(0);
        auto pending = m_context.fetchItems(LocalDataService::unsyncedItemsQuery(boardId));
        if (!pending) {
            answer = std::unexpected(storeFailure(pending.error()));
            applied = std::unexpected(StoreError {answer.error().message});
            break;
        }
        bool morePending = false;
        for (const auto& record : *pending) {
            if (sentBefore.contains(record->id()))
                continue;
            if (request.items.size() == SyncRequest::maxItems) {
                morePending = true;
                break;
            }
            request.items.append(LocalDataService::toRemoteItem(*record));
        }
        if (!firstPart && request.items.isEmpty())
            break;
        for (const RemoteItem& item : std::as_const(request.items))
            sentBefore.insert(item.id);

        answer = co_await m_boardRepo.syncBoard(boardId, request);
        if (!self)
            co_return false;
        if (!answer) {
            applied = std::unexpected(StoreError {answer.error().message});
            break;
        }

        // A board deleted here or cleared by sign-out while the request ran must not get its items back.
        const auto stillStored = m_context.countBoards(BoardQuery::withId(boardId));
        if (stillStored && *stillStored == 0) {
            setRefreshState(std::nullopt, boardId);
            setSyncing(boardId, false);
            co_return false;
        }

        const SyncOutcome outcome
            = co_await applySyncAnswer(knownBoard(boardId).value_or(board), request, *answer);
        if (!self)
            co_return false;
        if (outcome.stopped) {
            // The board was deleted here or cleared by sign-out between two steps: nothing more is
            // written, and the checkpoint stays where it was.
            setRefreshState(std::nullopt, boardId);
            setSyncing(boardId, false);
            co_return false;
        }
        applied = outcome.result;
        // The decoded answer (45 MB at 100,000 items) is freed in a turn of its own: the last step's
        // turn already holds the checkpoint's save and the board's refresh. A zero timeout would be
        // a posted call, run with the list's posted rebuild in that same turn.
        QTimer::singleShot(std::chrono::milliseconds(1), this, [released = std::move(*answer)] { Q_UNUSED(released); });
        if (!applied || !morePending)
            break;
    }

    if (applied) {
        clearBoardHighlight(boardId);
        if (showToast)
            showSuccess(QStringLiteral("Board refreshed"));
        setRefreshState(BoardRefreshState::success, boardId, successIndicatorSeconds);
        track(UsageEvent::boardRefreshCompleted, refreshResult(true));
        setSyncing(boardId, false);
        // A description the service has not accepted yet goes with the sync that reached it.
        if (const auto info = PendingBoardInfoStore::get(boardId, m_context))
            co_await sendBoardInfo(boardId, *info);
        co_return true;
    }

    ApiError error = answer ? storeFailure(applied.error()) : answer.error();
    // Only a service that takes fewer items per sync than this client sends answers so.
    if (error.status == 413 && error.code == QLatin1String("TOO_MANY_ITEMS"))
        error.message = QStringLiteral("The service takes fewer changes per sync than this version of Plenko "
                                       "sends. Your changes are kept on this computer and stay unsent.");
    if (handleRevokedBoard(error, boardId)) {
        setSyncing(boardId, false);
        co_return false;
    }
    if (showToast)
        showError(error.description());
    setRefreshState(BoardRefreshState::failure, boardId);
    track(UsageEvent::boardRefreshCompleted, refreshResult(false));
    setSyncing(boardId, false);
    co_return false;
}

QCoro::Task<BoardViewModel::SyncOutcome> BoardViewModel::applySyncAnswer(
    Board board, SyncRequest request, SyncResponse response)
{
    const QUuid boardId = board.id;
    auto failed = [](const StoreError& error) { return SyncOutcome {std::unexpected(error), false}; };

    // Items that became pending while the request ran, or changed since they were sent, carry a
    // newer change than the answer knows of: the answer does not overwrite them and they stay
    // pending.
    QSet<QUuid> changedMeanwhile;
    QHash<QUuid, RemoteItem> sent;
    for (const RemoteItem& item : std::as_const(request.items))
        sent.insert(item.id, item);
    if (auto nowPending = m_context.fetchItems(LocalDataService::unsyncedItemsQuery(boardId))) {
        for (const auto& record : *nowPending) {
            const RemoteItem current = LocalDataService::toRemoteItem(*record);
            const auto mine = sent.constFind(current.id);
            if (mine == sent.cend() || !sameRemoteItem(*mine, current))
                changedMeanwhile.insert(current.id);
        }
    } else {
        co_return failed(nowPending.error());
    }

    // What the user sent and the service did not take is kept as a conflict copy before the
    // service's copy takes its place; an item the service has no copy of leaves the board.
    const RefusedVersions refused = refusedVersions(request.items, response);
    for (const Item& item : refused.replaced)
        keepConflictCopy(item, ConflictReason::replaced);
    QList<QUuid> refusedIds;
    for (const Item& item : refused.refused) {
        keepConflictCopy(item, ConflictReason::refused);
        if (changedMeanwhile.contains(item.id)) {
            if (const auto record = LocalDataService::fetchLocalItem(item.id, m_context))
                keepConflictCopy(toItem(*record), ConflictReason::refused);
        }
        refusedIds.append(item.id);
    }
    auto refusedRecords = m_context.fetchItemsWithIds(refusedIds);
    if (!refusedRecords)
        co_return failed(refusedRecords.error());
    if (auto done = LocalDataService::deleteLocalItems(refusedIds, m_context); !done)
        co_return failed(done.error());

    auto keepDeleted = [this](const Item& item) { keepConflictCopy(item, ConflictReason::replaced); };
    SyncAnswerApplier applier(boardId, response, sent, changedMeanwhile, keepDeleted);

    // Whatever changes an item while the steps below wait for the event loop (an edit, a move, a
    // deletion, another operation's answer) is newer than this answer: such items are left alone.
    struct Watch
    {
        QSet<QUuid> changed;
        bool waiting = false;
    };
    const auto watch = std::make_shared<Watch>();
    const QMetaObject::Connection watching
        = connect(&m_context, &StoreContext::itemChanged, this, [watch](LocalItem* item) {
              if (watch->waiting)
                  watch->changed.insert(item->id());
          });
    const auto stopWatching = qScopeGuard([watching] { QObject::disconnect(watching); });

    // The shown board's items are gathered step by step, so that the last turn only merges them. A
    // board not loaded takes none (it is read from the store when shown, steps included).
    SyncedBoardItems shownItems(boardId);
    if (const std::optional<Board> shown = knownBoard(boardId); shown && shown->hasItemsLoaded())
        shownItems.reserve(applier.total() + shown->items.size());
    auto gather = [&] {
        if (const std::optional<Board> shown = knownBoard(boardId); !shown || !shown->hasItemsLoaded())
            return;
        for (const auto& record : applier.writtenInLastStep())
            shownItems.add(*record);
    };

    QPointer<BoardViewModel> self(this);
    LocalDataService::Result result;
    qsizetype step = std::min(firstStepItems, m_syncChunkItems);
    while (!applier.isFinished()) {
        QElapsedTimer took;
        took.start();
        auto done = applier.applyNext(step, m_context, watch->changed);
        // What a failed step wrote stays pending in the context, and shows.
        gather();
        if (!done) {
            result = done;
            break;
        }
        // The next step is sized from this one's pace: the machine's speed and load vary too much
        // for a fixed count to stay within the budget.
        const qint64 ms = std::max<qint64>(took.elapsed(), 1);
        step = std::clamp(
            qsizetype(step * stepBudgetMs / ms), std::min(minimumStepItems, m_syncChunkItems), m_syncChunkItems);
        // The last step yields too: the checkpoint's save and the board's refresh that follow are
        // a step's worth of work of their own.
        watch->waiting = true;
        Q_EMIT syncProgress(boardId, applier.done(), applier.total());
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        if (!self)
            co_return SyncOutcome {{}, true};
        watch->waiting = false;
        const auto stillStored = m_context.countBoards(BoardQuery::withId(boardId));
        if (!stillStored) {
            result = std::unexpected(stillStored.error());
            break;
        }
        if (*stillStored == 0)
            co_return SyncOutcome {{}, true};
    }

    // A sync stopped by an error leaves nothing held for the store's next quiet moment.
    if (!result)
        (void)m_context.commitHeldSaves();
    for (const auto& record : std::as_const(*refusedRecords))
        shownItems.add(*record);
    if (result) {
        // The pending items that were sent and not changed since are now the service's.
        QSet<QUuid> keepPending = changedMeanwhile | watch->changed;
        auto stillPending = m_context.fetchItems(LocalDataService::unsyncedItemsQuery(boardId));
        if (!stillPending) {
            result = std::unexpected(stillPending.error());
        } else {
            for (const auto& record : std::as_const(*stillPending)) {
                if (!keepPending.contains(record->id())) {
                    record->setDidSync(true);
                    shownItems.add(*record);
                }
            }
            // The checkpoint moves only once every step's changes are on disk: otherwise the next
            // sync asks for them again instead of skipping them for good.
            result = m_context.save();
            if (result)
                m_localStore.set(response.latestCheckpoint, PreferenceKeys::checkpoint(boardId));
        }
    }

    // Items changed by others since the request was sent show as the store has them now.
    QSet<QUuid> removed = changedMeanwhile | watch->changed;
    if (const auto changed = m_context.fetchItemsWithIds(QList<QUuid>(removed.cbegin(), removed.cend()))) {
        for (const auto& record : *changed) {
            shownItems.add(*record);
            removed.remove(record->id());
        }
    } else {
        removed.clear();
    }
    for (const QUuid& id : std::as_const(removed))
        shownItems.remove(id);

    // What was written shows even when a later step failed (the context keeps an unsaved change).
    if (std::optional<Board> current = knownBoard(boardId)) {
        if (result) {
            current->name = response.boardName;
            // The board now holds everything up to the checkpoint, so a later details refresh at
            // that revision is not news.
            current->revision = std::max(current->revision, response.latestCheckpoint);
            (void)LocalDataService::updateLocalBoard(*current, m_context);
        }
        refreshSyncedItems(std::move(*current), shownItems);
    } else if (result) {
        board.name = response.boardName;
        board.revision = std::max(board.revision, response.latestCheckpoint);
        (void)LocalDataService::updateLocalBoard(board, m_context);
    }
    co_return SyncOutcome {result, false};
}

QCoro::Task<void> BoardViewModel::syncAllCloudBoards(std::optional<bool> active)
{
    QList<QUuid> ids;
    for (const Board& board : std::as_const(m_boards)) {
        if (board.syncWithServer && (!active || board.isActive == *active))
            ids.append(board.id);
    }
    if (ids.isEmpty()) {
        showInfo(QStringLiteral("No cloud boards to sync."));
        co_return;
    }

    QPointer<BoardViewModel> self(this);
    int failures = 0;
    for (const QUuid& id : std::as_const(ids)) {
        const std::optional<Board> board = knownBoard(id);
        if (!board) {
            // Revoked or deleted while an earlier board synced.
            ++failures;
            continue;
        }
        const bool synced = co_await syncBoard(*board, false, true);
        if (!self)
            co_return;
        if (!synced)
            ++failures;
    }

    if (failures == 0)
        showSuccess(QStringLiteral("Synced all cloud boards"));
    else if (failures == ids.size())
        showError(QStringLiteral("Failed to sync cloud boards"));
    else
        showError(QStringLiteral("Some boards failed to sync"));
    updateShouldHighlightRefresh();
}

namespace {
std::optional<QSet<QUuid>> storedCloudBoardIds(StoreContext& context)
{
    const auto boards = LocalDataService::fetchLocalCloudBoards(context);
    if (!boards)
        return std::nullopt;
    QSet<QUuid> ids;
    for (const Board& board : *boards)
        ids.insert(board.id);
    return ids;
}
}

QCoro::Task<void> BoardViewModel::refreshBoardsFromServer(bool showToast)
{
    // The answer tells what the service had when it was asked: a board made or joined here while it
    // travelled is not in it, and one left or deleted here meanwhile still is. Only boards that were
    // here when the question was asked are taken away, and none removed since comes back.
    const std::optional<QSet<QUuid>> askedWith = storedCloudBoardIds(m_context);
    QPointer<BoardViewModel> self(this);
    const auto fetched = co_await m_boardRepo.fetchBoards();
    if (!self)
        co_return;
    auto failed = [&](const QString& message) {
        if (showToast)
            showError(message);
    };
    if (!fetched) {
        failed(fetched.error().description());
        co_return;
    }
    const std::optional<QSet<QUuid>> storedNow = storedCloudBoardIds(m_context);
    if (!askedWith || !storedNow) {
        failed(QStringLiteral("The boards stored on this computer could not be read."));
        co_return;
    }

    QSet<QUuid> remoteIds;
    for (const RemoteBoard& remote : *fetched) {
        Board board = boardFromRemote(remote);
        remoteIds.insert(board.id);
        if (askedWith->contains(board.id) && !storedNow->contains(board.id))
            continue;
        // A description written here that the service has not taken yet is still the user's.
        if (const auto info = PendingBoardInfoStore::get(board.id, m_context))
            board.info = *info;
        const auto stored = m_context.countBoards(BoardQuery::withId(board.id));
        if (!stored) {
            failed(stored.error().message);
            co_return;
        }
        if (*stored > 0) {
            if (auto updated = LocalDataService::updateLocalBoard(board, m_context); !updated) {
                failed(updated.error().message);
                co_return;
            }
        } else {
            m_context.insert(makeLocalBoard(board));
            (void)m_context.save();
        }
    }

    // The board is gone from the service or this account left it; its items stay in the store
    // until the board's other traces are cleared (sign-out), so no pending change is destroyed here.
    for (const QUuid& id : *storedNow) {
        if (!remoteIds.contains(id) && askedWith->contains(id))
            (void)LocalDataService::deleteLocalBoardRecord(id, m_context);
    }

    reloadWorkspaceFromStore(true);
    (void)m_context.save();
    if (showToast)
        showSuccess(QStringLiteral("Boards refreshed"));
}

QCoro::Task<void> BoardViewModel::refreshBoardDetails(Board board)
{
    const QUuid boardId = board.id;
    QPointer<BoardViewModel> self(this);
    const auto fetched = co_await m_boardRepo.fetchBoard(boardId);
    if (!self)
        co_return;
    if (!fetched) {
        handleRevokedBoard(fetched.error(), boardId);
        co_return;
    }

    const BoardDetails details = boardDetailsFromResponse(*fetched);
    const std::optional<Board> current = knownBoard(boardId);
    const qint64 oldRevision = current ? current->revision : 0;

    Board updated = details.board;
    if (current) {
        updated.items = current->items;
        updated.storedTally = current->storedTally;
        updated.firstPageCounts = current->firstPageCounts;
    }
    updated.users = details.users;
    updated.boardOwner = details.boardOwner;
    updated.revision = details.board.revision;
    if (const auto info = PendingBoardInfoStore::get(boardId, m_context))
        updated.info = *info;
    applyBoardUpdate(updated);

    if (details.board.revision > oldRevision)
        setBoardHighlight(boardId);
    if (boardId == m_selectedBoard.id)
        updateShouldHighlightRefresh();
}

void BoardViewModel::setRefreshState(
    std::optional<BoardRefreshState> state, const QUuid& boardId, std::optional<double> resetDelaySeconds)
{
    if (state) {
        m_boardRefreshStates.insert(boardId, *state);
        Q_EMIT boardRefreshStatesChanged();
    } else if (m_boardRefreshStates.remove(boardId) > 0) {
        Q_EMIT boardRefreshStatesChanged();
    }
    cancelRefreshReset(boardId);
    if (!state || !resetDelaySeconds)
        return;

    // Owned by the workspace, so it never fires after the workspace is gone.
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(std::chrono::milliseconds(qRound64(*resetDelaySeconds * 1000.0)));
    const BoardRefreshState expected = *state;
    connect(timer, &QTimer::timeout, this, [this, timer, boardId, expected] {
        // Only the state this timer was set for: a newer state replaced it and keeps its own course.
        const auto it = m_boardRefreshStates.constFind(boardId);
        if (it != m_boardRefreshStates.constEnd() && *it == expected) {
            m_boardRefreshStates.remove(boardId);
            Q_EMIT boardRefreshStatesChanged();
        }
        if (m_refreshStateResetTasks.value(boardId) == timer)
            m_refreshStateResetTasks.remove(boardId);
        timer->deleteLater();
    });
    m_refreshStateResetTasks.insert(boardId, timer);
    timer->start();
}

bool BoardViewModel::handleRevokedBoard(const ApiError& error, const QUuid& boardId)
{
    if (error.code != QLatin1String("BOARD_ACCESS_DENIED"))
        return false;

    const std::optional<Board> board = knownBoard(boardId);
    // What the board held that never reached the service stays with the user as conflict copies.
    if (const auto unsent = m_context.fetchItems(LocalDataService::unsyncedItemsQuery(boardId))) {
        for (const auto& record : *unsent) {
            if (!record->deletedAt())
                keepConflictCopy(toItem(*record), ConflictReason::boardRevoked);
        }
    }
    if (auto removed = LocalDataService::deleteLocalBoard(boardId, m_context); !removed) {
        m_toasts.showToast(ToastType::error,
            QStringLiteral("Failed to clear local data for revoked board. ") + removed.error().message,
            longToastSeconds);
    }

    // So does a description it never received, kept under the board's own id.
    if (const auto info = PendingBoardInfoStore::get(boardId, m_context)) {
        Item description;
        description.id = boardId;
        description.boardId = boardId;
        description.content = *info;
        keepConflictCopy(description, ConflictReason::boardRevoked);
    }
    (void)PendingBoardInfoStore::remove(boardId, m_context);
    removeBoardFromWorkspace(boardId);
    if (m_boardRefreshStates.remove(boardId) > 0)
        Q_EMIT boardRefreshStatesChanged();
    cancelRefreshReset(boardId);
    setSyncing(boardId, false);
    m_localStore.set(std::nullopt, PreferenceKeys::checkpoint(boardId));
    clearBoardHighlight(boardId);

    if (m_localStore.get(PreferenceKeys::selectedBoardId()) == boardId)
        m_localStore.set(std::nullopt, PreferenceKeys::selectedBoardId());
    if (m_quickCaptureBoardId == boardId)
        setQuickCaptureBoardId(std::nullopt);

    ensureSelectionAfterLoad();
    updateShouldHighlightRefresh();
    if (board) {
        m_toasts.showToast(ToastType::info,
            QStringLiteral("Access to \"") + board->name
                + QStringLiteral("\" was revoked. The board has been removed."),
            longToastSeconds);
    }
    return true;
}

void BoardViewModel::clearCloudDataAfterSignOut()
{
    // The store names every cloud board: the workspace may have dropped them already (a signed-out
    // reload runs as soon as the sign-in ends), and its list alone would leave their traces behind.
    QSet<QUuid> cloudIds;
    QSet<QUuid> localIds;
    if (const auto records = m_context.fetchBoards({})) {
        for (const auto& record : *records)
            (record->syncWithServer() ? cloudIds : localIds).insert(record->id());
    }
    for (const Board& board : std::as_const(m_boards))
        (board.syncWithServer ? cloudIds : localIds).insert(board.id);
    const bool selectedWasCloud = m_selectedBoard.syncWithServer;

    const auto cleared = LocalDataService::clearLocalCloudBoards(m_context);
    if (cleared) {
        // Cloud data leaves this computer with the boards; the caller has offered to save it first.
        // When the items could not be removed, their checkpoints, copies and descriptions stay with
        // them, so that nothing is half cleared.
        QList<QUuid> cloudCopies;
        for (const ConflictCopy& copy : m_conflictCopies.all()) {
            if (!localIds.contains(copy.boardId))
                cloudCopies.append(copy.id);
        }
        m_conflictCopies.discardAll(cloudCopies);
        m_localStore.removeAll(PreferenceKeys::checkpointPrefix());
        if (const auto described = PendingBoardInfoStore::boards(m_context)) {
            for (const QUuid& id : *described) {
                if (!localIds.contains(id))
                    (void)PendingBoardInfoStore::remove(id, m_context);
            }
        }
    }

    QList<Board> remaining = m_boards;
    remaining.removeIf([](const Board& board) { return board.syncWithServer; });
    setBoards(remaining);
    recomputeBoardSections();

    bool statesChanged = false;
    for (const QUuid& id : m_boardRefreshStates.keys()) {
        if (!localIds.contains(id)) {
            m_boardRefreshStates.remove(id);
            statesChanged = true;
        }
    }
    for (const QUuid& id : m_refreshStateResetTasks.keys()) {
        if (!localIds.contains(id))
            cancelRefreshReset(id);
    }
    if (statesChanged)
        Q_EMIT boardRefreshStatesChanged();
    setHighlightedBoards(m_highlightedBoards - cloudIds);
    m_localStore.set(m_highlightedBoards, PreferenceKeys::highlightedBoards());

    if (selectedWasCloud) {
        const auto local = std::find_if(
            m_boards.cbegin(), m_boards.cend(), [](const Board& board) { return !board.syncWithServer; });
        if (local != m_boards.cend()) {
            const Board chosen = *local;
            setSelectedBoard(chosen);
            storeSelectedBoardIntoBoards();
            reloadBoardItems(chosen.id);
            m_localStore.set(chosen.id, PreferenceKeys::selectedBoardId());
        }
    }

    updateShouldHighlightRefresh();
    if (!cleared) {
        const QString text = QStringLiteral("Signed out, but the cloud boards could not be removed from this "
                                            "computer. ")
            + cleared.error().message;
        logLine(text);
        m_toasts.showToast(ToastType::error, text, ToastManager::errorSeconds);
        return;
    }
    m_toasts.showToast(
        ToastType::success, QStringLiteral("Signed out. Local sync data cleared."), longToastSeconds);
}
