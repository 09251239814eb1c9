// Keeps cloud boards current without the user asking: quiet syncs (no toast) of the shown board every
// minute and when the window is activated, of any board whose change is announced, and of every board
// with pending changes once the service answers again after it could not be reached, or, while
// changes wait, after a wait that grows from the first retry to the longest (brought forward when
// another sync succeeds or the channel connects: the service takes changes again). Quiet syncs are
// coalesced per board and go through the workspace's own sync, whose guard keeps one sync per board:
// a board asked for while its sync runs is synced again once that sync ends.
//
// A change announcement (boardChanged, boardListChanged) is all a push channel has to call. While
// such a channel is connected it announces every change, so the shown board's minute timer rests and
// an activated window only sends what waits.
#pragma once

#include "domain/Board.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUuid>
#include <chrono>
#include <functional>

class BoardViewModel;
class NetworkService;
class StoreContext;
class SyncStatus;

class AutoSync : public QObject
{
    Q_OBJECT

public:
    struct Timing
    {
        std::chrono::milliseconds shownBoardInterval {60000};
        // While the service cannot be reached and changes wait: the first retry, doubled each time
        // up to the longest, each spread by ±20 % so that many clients do not return in step.
        std::chrono::milliseconds firstRetry {1000};
        std::chrono::milliseconds longestRetry {60000};
        // Meanwhile, a bare connection to the service's port this often: once one is accepted, the
        // retry comes at once instead of at the end of a long wait.
        std::chrono::milliseconds probeInterval {2000};
        // How long an own change's announcement waits for the answer to the request that made it,
        // which travels on another connection and may come second.
        std::chrono::milliseconds ownChangeWait {500};
    };

    AutoSync(BoardViewModel& workspace, StoreContext& context, NetworkService& api, SyncStatus& status,
        QObject* parent = nullptr);

    void setTiming(Timing timing);
    // A number in [0, 1) for each retry's spread; tests pin it.
    void setRandom(std::function<double()> random) { m_random = std::move(random); }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // The delay the next retry will wait, spread included once it is scheduled.
    std::chrono::milliseconds retryDelay() const { return m_retryDelay; }

    // The board changed on the service: a quiet sync of it, coalesced with others asked for meanwhile.
    void boardChanged(const QUuid& boardId);
    // This client's own session changed the board, which then stood at `checkpoint`. Usually the
    // request's answer brought that checkpoint here already; a sync follows only when it did not (the
    // answer was lost, or did not move the store's checkpoint), once that answer had time to arrive
    // and any sync of the board under way has ended.
    void ownBoardChange(const QUuid& boardId, qint64 checkpoint);
    // The board list or a board's members changed: a quiet refresh of the list.
    void boardListChanged();
    // The window came to the front: the shown board catches up.
    void windowActivated();
    // A quiet sync of every cloud board that holds changes the service does not have yet.
    void sendAllPending();
    // The computer's network came back: while offline, retry at once and start the backoff over.
    void networkReturned();
    // The change channel connected (again) or dropped. Connecting catches up: every cloud board's
    // pending changes go out and every cloud board syncs from its checkpoint, since events may have
    // been missed while it was down.
    void setChannelConnected(bool connected);
    bool channelConnected() const { return m_channelConnected; }

private:
    void serviceReached(bool reached);
    void syncSucceeded();
    void restartBackoff();
    void scheduleRetry();
    void retry();
    void probe();
    void runQueued();
    void settleOwnChanges();
    QCoro::Task<void> quietSync(Board board);
    QCoro::Task<void> quietListRefresh();
    // The cloud boards with changes that have not reached the service, and how many changes.
    QSet<QUuid> boardsWithPendingChanges(int* changes) const;
    void updatePending();
    bool somethingWaits() const;
    void updateSyncing();
    void syncShownBoard();

    BoardViewModel& m_workspace;
    StoreContext& m_context;
    NetworkService& m_api;
    SyncStatus& m_status;
    Timing m_timing;
    std::function<double()> m_random;
    std::function<QDateTime()> m_clock;

    QTimer m_shownBoardTimer;
    QTimer m_retryTimer;
    QTimer m_queueTimer;
    QTimer m_pendingTimer;
    QTimer m_probeTimer;
    QTimer m_ownChangeTimer;
    // Off once a probe was accepted but the retry it started got no answer (a gateway, say): from
    // then on only the backoff retries, until the service answers again.
    bool m_probing = false;
    std::chrono::milliseconds m_retryDelay;
    // A successful sync brings a long retry wait forward once while changes wait; a board the service
    // keeps refusing then goes back to the growing waits instead of following every other board's sync.
    bool m_earlyRetryTaken = false;
    bool m_offline = false;
    bool m_channelConnected = false;
    QSet<QUuid> m_queued;
    // Own changes' checkpoints per board: waiting for their answers, then due to be compared with the
    // store's checkpoint once the board is not syncing.
    QHash<QUuid, qint64> m_ownChangesWaiting;
    QHash<QUuid, qint64> m_ownChangesDue;
    bool m_listQueued = false;
    bool m_listRefreshing = false;
    QSet<QUuid> m_syncing;
    // Boards whose quiet sync failed: the change announced for them has not arrived yet, so they are
    // retried on the backoff as pending changes are.
    QSet<QUuid> m_behind;
};
