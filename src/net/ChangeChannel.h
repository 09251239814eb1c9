// The service's change channel, held while signed in: one long GET of /api/events with the current
// access token, read as an event stream. It tells what changed elsewhere (a board's items, the board
// list, a notification, this session ended) and leaves the catching up to its listeners. Every event
// is untrusted: a frame that does not parse, or names no valid board, is ignored.
//
// It reconnects by itself: after a drop or a silent stream (no byte for 2.5 heartbeats) with a wait
// of 1 s doubling to 60 s, each spread by ±20 %; at once after the access token was renewed (a 401,
// or the service asking for it). A service without the channel (404) is left alone until the next
// start. A board-list change the own session caused (its tag comes with the first frame) is not passed
// on; an item change is, marked as the own session's, since the answer to that request may never have
// arrived.
#pragma once

#include "net/EventStreamParser.h"

#include <QCoro/QCoroTask>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <chrono>
#include <functional>

class NetworkService;
class QNetworkReply;

class ChangeChannel : public QObject
{
    Q_OBJECT

public:
    static inline const QString path = QStringLiteral("/api/events");

    enum class State {
        stopped,     // not started, or signed out
        connecting,  // the request is on its way, or the stream has not said hello yet
        connected,   // hello received: events flow
        waiting,     // dropped; the next attempt is scheduled
        unsupported, // the service has no channel (404)
    };

    struct Timing
    {
        std::chrono::milliseconds firstRetry {1000};
        std::chrono::milliseconds longestRetry {60000};
        // Until the stream names its own: how long the first bytes may take, as 2.5 of these.
        std::chrono::milliseconds heartbeat {20000};
    };

    explicit ChangeChannel(NetworkService& api, QObject* parent = nullptr);
    ~ChangeChannel() override;

    void setTiming(Timing timing) { m_timing = timing; }
    // A number in [0, 1) for each wait's spread; tests pin it.
    void setRandom(std::function<double()> random) { m_random = std::move(random); }

    // Opens the channel (again after stop or a 404); does nothing while it is open or opening.
    void start();
    void stop();

    State state() const { return m_state; }
    bool isConnected() const { return m_state == State::connected; }
    // The tag of this client's session, from the stream's first frame.
    QString session() const { return m_session; }
    // What the next scheduled wait is based on, before its spread.
    std::chrono::milliseconds retryDelay() const { return m_retryDelay; }

Q_SIGNALS:
    void connectedChanged(bool connected);
    // `checkpoint` is -1 when the event named none; `own` when this client's session made the change.
    void boardChanged(const QUuid& boardId, qint64 checkpoint, bool own);
    void boardListChanged();
    void notificationArrived();
    // This session was ended on the service; the channel has stopped.
    void sessionRevoked();
    // The service has no channel; the channel has stopped trying.
    void unsupported();

private:
    enum class Drop { retryLater, renewTokenFirst };

    void open();
    void closeReply();
    void readStream();
    void streamFinished();
    void handle(const EventStreamParser::Event& event);
    void handleHello(const QByteArray& data);
    void lost(Drop how);
    void scheduleRetry();
    QCoro::Task<void> renewTokenAndOpen();
    void setState(State state);
    void armWatchdog();
    void serviceReached(bool reached);

    NetworkService& m_api;
    QNetworkAccessManager m_manager;
    Timing m_timing;
    std::function<double()> m_random;
    QPointer<QNetworkReply> m_reply;
    EventStreamParser m_parser;
    QTimer m_retryTimer;
    QTimer m_watchdog;
    State m_state = State::stopped;
    std::chrono::milliseconds m_retryDelay;
    std::chrono::milliseconds m_watchdogInterval {0};
    QString m_session;
    // Bumped by every stop and every new request: work begun for an older one is dropped.
    quint64 m_generation = 0;
    // A token was renewed since the last hello: a second 401 waits instead of renewing in a loop.
    bool m_renewedSinceHello = false;
    // The last attempt got no answer at all: a request of the application's that is answered ends
    // the wait at once.
    bool m_unreachable = false;
};
