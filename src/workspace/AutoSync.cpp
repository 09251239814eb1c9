#include "workspace/AutoSync.h"

#include "net/NetworkService.h"
#include "store/LocalDataService.h"
#include "store/PendingBoardInfoStore.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"
#include "workspace/SyncStatus.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QUrl>
#include <algorithm>

namespace {
bool isCloud(const std::optional<Board>& board)
{
    return board && board->syncWithServer;
}
}

AutoSync::AutoSync(BoardViewModel& workspace, StoreContext& context, NetworkService& api, SyncStatus& status,
    QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_context(context)
    , m_api(api)
    , m_status(status)
    , m_random([] { return QRandomGenerator::global()->generateDouble(); })
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
    , m_retryDelay(m_timing.firstRetry)
{
    m_shownBoardTimer.setInterval(m_timing.shownBoardInterval);
    connect(&m_shownBoardTimer, &QTimer::timeout, this, &AutoSync::syncShownBoard);
    m_shownBoardTimer.start();

    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &AutoSync::retry);
    m_probeTimer.setInterval(m_timing.probeInterval);
    connect(&m_probeTimer, &QTimer::timeout, this, &AutoSync::probe);

    // Announcements that arrive together become one sync per board.
    m_queueTimer.setSingleShot(true);
    m_queueTimer.setInterval(0);
    connect(&m_queueTimer, &QTimer::timeout, this, &AutoSync::runQueued);
    m_ownChangeTimer.setSingleShot(true);
    connect(&m_ownChangeTimer, &QTimer::timeout, this, [this] {
        for (auto it = m_ownChangesWaiting.cbegin(); it != m_ownChangesWaiting.cend(); ++it)
            m_ownChangesDue[it.key()] = std::max(m_ownChangesDue.value(it.key(), -1), it.value());
        m_ownChangesWaiting.clear();
        m_queueTimer.start();
    });

    // Many item changes in one turn (a sync's answer) are counted once.
    m_pendingTimer.setSingleShot(true);
    m_pendingTimer.setInterval(0);
    connect(&m_pendingTimer, &QTimer::timeout, this, &AutoSync::updatePending);
    connect(&m_context, &StoreContext::itemChanged, &m_pendingTimer, qOverload<>(&QTimer::start));
    connect(&m_context, &StoreContext::saved, &m_pendingTimer, qOverload<>(&QTimer::start));
    connect(&m_workspace, &BoardViewModel::boardsChanged, &m_pendingTimer, qOverload<>(&QTimer::start));

    connect(&m_workspace, &BoardViewModel::syncingBoardsChanged, this, &AutoSync::updateSyncing);
    connect(&m_api, &NetworkService::serviceReached, this, &AutoSync::serviceReached);
    updatePending();
}

void AutoSync::setTiming(Timing timing)
{
    m_timing = timing;
    m_shownBoardTimer.setInterval(m_timing.shownBoardInterval);
    if (!m_channelConnected)
        m_shownBoardTimer.start();
    m_probeTimer.setInterval(m_timing.probeInterval);
    if (!m_retryTimer.isActive())
        m_retryDelay = m_timing.firstRetry;
}

void AutoSync::boardChanged(const QUuid& boardId)
{
    m_queued.insert(boardId);
    m_queueTimer.start();
}

void AutoSync::ownBoardChange(const QUuid& boardId, qint64 checkpoint)
{
    m_ownChangesWaiting[boardId] = std::max(m_ownChangesWaiting.value(boardId, -1), checkpoint);
    if (!m_ownChangeTimer.isActive())
        m_ownChangeTimer.start(m_timing.ownChangeWait);
}

void AutoSync::settleOwnChanges()
{
    for (auto it = m_ownChangesDue.begin(); it != m_ownChangesDue.end();) {
        // A sync under way may bring the checkpoint; it is compared once that sync ends.
        if (m_workspace.syncingBoards().contains(it.key())) {
            ++it;
            continue;
        }
        if (m_workspace.heldCheckpoint(it.key()).value_or(-1) < it.value())
            m_queued.insert(it.key());
        it = m_ownChangesDue.erase(it);
    }
}

void AutoSync::boardListChanged()
{
    m_listQueued = true;
    m_queueTimer.start();
}

void AutoSync::windowActivated()
{
    if (m_channelConnected)
        sendAllPending();
    else
        syncShownBoard();
}

void AutoSync::setChannelConnected(bool connected)
{
    if (m_channelConnected == connected)
        return;
    m_channelConnected = connected;
    if (!connected) {
        m_shownBoardTimer.start();
        return;
    }
    m_shownBoardTimer.stop();
    if (m_api.accessToken().isEmpty())
        return;
    for (const Board& board : m_workspace.boards()) {
        if (board.syncWithServer)
            m_queued.insert(board.id);
    }
    // The service answers again: changes it refused before wait from the first retry, not from where
    // the backoff had grown to.
    restartBackoff();
    boardListChanged();
}

void AutoSync::syncShownBoard()
{
    const Board& shown = m_workspace.selectedBoard();
    if (shown.syncWithServer && !m_api.accessToken().isEmpty())
        boardChanged(shown.id);
}

void AutoSync::sendAllPending()
{
    for (const QUuid& id : boardsWithPendingChanges(nullptr))
        m_queued.insert(id);
    if (!m_queued.isEmpty())
        m_queueTimer.start();
}

void AutoSync::runQueued()
{
    if (m_listQueued && !m_listRefreshing) {
        m_listQueued = false;
        quietListRefresh();
    }
    settleOwnChanges();
    const QSet<QUuid> queued = m_queued;
    for (const QUuid& id : queued) {
        // A board whose sync runs stays queued and is taken once that sync ends (updateSyncing).
        if (m_workspace.syncingBoards().contains(id))
            continue;
        m_queued.remove(id);
        const std::optional<Board> board = m_workspace.knownBoard(id);
        if (isCloud(board))
            quietSync(*board);
        else
            m_behind.remove(id);
    }
}

QCoro::Task<void> AutoSync::quietSync(Board board)
{
    const QUuid id = board.id;
    const bool wasHighlighted = m_workspace.highlightedBoards().contains(id);
    const qint64 revisionBefore = board.revision;
    const auto pending = m_context.countItems(LocalDataService::unsyncedItemsQuery(id));
    const qint64 sent = pending ? qint64(*pending) : 0;

    QPointer<AutoSync> self(this);
    const bool synced = co_await m_workspace.syncBoard(std::move(board), false);
    if (!self)
        co_return;
    if (!synced) {
        // Nothing waited before: this is a new spell of failures, whose retries start from the first.
        if (!m_retryTimer.isActive() && !somethingWaits())
            m_retryDelay = m_timing.firstRetry;
        m_behind.insert(id);
        scheduleRetry();
        co_return;
    }
    if (m_behind.remove(id))
        m_pendingTimer.start();
    // The sync clears the board's "changed by others" mark; a board the user is not looking at keeps
    // it until opened when it had one, or when the service's revision moved past the user's own
    // changes.
    const std::optional<Board> now = m_workspace.knownBoard(id);
    const bool news = now && now->revision - revisionBefore > sent;
    if (now && m_workspace.selectedBoard().id != id && (wasHighlighted || news))
        m_workspace.setBoardHighlight(id);
}

QCoro::Task<void> AutoSync::quietListRefresh()
{
    m_listRefreshing = true;
    QPointer<AutoSync> self(this);
    co_await m_workspace.refreshBoardsFromServer(false);
    if (!self)
        co_return;
    m_listRefreshing = false;
    if (m_listQueued)
        m_queueTimer.start();
}

void AutoSync::serviceReached(bool reached)
{
    if (reached == !m_offline)
        return;
    m_offline = !reached;
    m_status.setOffline(m_offline);
    if (m_offline) {
        m_retryDelay = m_timing.firstRetry;
        m_probing = true;
        m_probeTimer.start();
        scheduleRetry();
        return;
    }
    m_probeTimer.stop();
    // Back: what waited goes out, and the shown board and the list catch up. A board whose sync is
    // under way already reaches the service with it.
    m_retryTimer.stop();
    m_retryDelay = m_timing.firstRetry;
    m_earlyRetryTaken = false;
    QSet<QUuid> boards = boardsWithPendingChanges(nullptr) | m_behind;
    if (m_workspace.selectedBoard().syncWithServer)
        boards.insert(m_workspace.selectedBoard().id);
    for (const QUuid& id : std::as_const(boards)) {
        if (!m_workspace.syncingBoards().contains(id))
            boardChanged(id);
    }
    boardListChanged();
}

void AutoSync::syncSucceeded()
{
    if (m_earlyRetryTaken || !m_retryTimer.isActive()
        || std::chrono::milliseconds(m_retryTimer.remainingTime()) <= m_timing.firstRetry)
        return;
    // The service takes changes again after refusing some: what waits goes out after the first
    // retry's wait (spread as ever) rather than after up to the longest.
    m_earlyRetryTaken = true;
    m_retryTimer.stop();
    m_retryDelay = m_timing.firstRetry;
    scheduleRetry();
}

void AutoSync::restartBackoff()
{
    m_retryTimer.stop();
    m_retryDelay = m_timing.firstRetry;
    m_earlyRetryTaken = false;
    retry();
}

void AutoSync::scheduleRetry()
{
    // Online too: a change the service refused for the moment (a busy or failing service) would
    // otherwise wait for the next announcement of its board, which may never come.
    if (m_retryTimer.isActive() || !somethingWaits())
        return;
    const double spread = 0.8 + 0.4 * m_random();
    m_retryTimer.start(std::chrono::milliseconds(qRound64(double(m_retryDelay.count()) * spread)));
    m_retryDelay = std::min(m_retryDelay * 2, m_timing.longestRetry);
}

void AutoSync::retry()
{
    // A board whose sync is under way is left to it: queued again, it would sync once more as soon as
    // that sync ends. A change the running sync does not carry keeps the next retry scheduled.
    for (const QUuid& id : boardsWithPendingChanges(nullptr) | m_behind) {
        if (!m_workspace.syncingBoards().contains(id))
            m_queued.insert(id);
    }
    if (!m_queued.isEmpty())
        m_queueTimer.start();
    // Should the retry not reach the service either, serviceReached(false) finds the state unchanged;
    // the next one is scheduled here.
    scheduleRetry();
}

void AutoSync::networkReturned()
{
    if (!m_offline)
        return;
    restartBackoff();
}

void AutoSync::probe()
{
    if (!m_offline || !m_probing) {
        m_probeTimer.stop();
        return;
    }
    if (!somethingWaits())
        return;
    const QUrl address(m_api.baseUrl());
    auto* socket = new QTcpSocket(this);
    const auto done = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    connect(socket, &QTcpSocket::connected, this, [this, done] {
        done();
        if (!m_offline || !m_probing)
            return;
        // One accepted probe is all the early retry this offline spell gets.
        m_probing = false;
        m_probeTimer.stop();
        networkReturned();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, done);
    // An unanswered attempt (a dropped network) ends before the next one starts.
    QTimer::singleShot(m_timing.probeInterval, socket, done);
    socket->connectToHost(
        address.host(), quint16(address.port(address.scheme() == QLatin1String("https") ? 443 : 80)));
}

QSet<QUuid> AutoSync::boardsWithPendingChanges(int* changes) const
{
    QSet<QUuid> ids;
    int count = 0;
    if (const auto items = LocalDataService::fetchUnsentCloudItems(m_context)) {
        for (const auto& item : *items)
            ids.insert(item->boardId());
        count += int(items->size());
    }
    for (const Board& board : m_workspace.boards()) {
        if (board.syncWithServer && PendingBoardInfoStore::get(board.id, m_context)) {
            ids.insert(board.id);
            ++count;
        }
    }
    if (changes)
        *changes = count;
    return ids;
}

bool AutoSync::somethingWaits() const
{
    return m_status.waitingChanges() > 0 || !m_behind.isEmpty();
}

void AutoSync::updatePending()
{
    int changes = 0;
    (void)boardsWithPendingChanges(&changes);
    m_status.setWaitingChanges(changes);
    if (changes == 0 && m_behind.isEmpty()) {
        m_retryTimer.stop();
        m_retryDelay = m_timing.firstRetry;
        m_earlyRetryTaken = false;
    }
    m_status.setHasCloudBoards(std::any_of(m_workspace.boards().cbegin(), m_workspace.boards().cend(),
        [](const Board& board) { return board.syncWithServer; }));
    scheduleRetry();
}

void AutoSync::updateSyncing()
{
    const QSet<QUuid>& now = m_workspace.syncingBoards();
    bool succeeded = false;
    for (const QUuid& id : std::as_const(m_syncing)) {
        const auto state = m_workspace.boardRefreshStates().constFind(id);
        if (!now.contains(id) && state != m_workspace.boardRefreshStates().cend()
            && *state == BoardRefreshState::success)
            succeeded = true;
    }
    if (succeeded) {
        m_status.setLastSuccess(m_clock());
        syncSucceeded();
    }
    m_syncing = now;
    m_status.setSyncing(!now.isEmpty());
    if (!m_queued.isEmpty() || !m_ownChangesDue.isEmpty())
        m_queueTimer.start();
}
