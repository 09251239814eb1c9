// Carries events between server processes of one PostgreSQL database. Writing transactions leave
// their events in event_outbox; this relay, on its own connection and thread, reads the rows other
// processes committed and delivers them to this process's streams, resolving the recipients and the
// board's checkpoint here. It reads when another process wakes it (a NOTIFY on the events channel,
// which it also sends for this process's commits) and every second besides, so a lost wake-up only
// delays an event. When its connection is lost it connects again and drops this process's streams,
// whose clients reconnect and catch up: a missed event never becomes a missed change.
#pragma once

#include <QString>
#include <atomic>
#include <thread>

class Database;
class EventHub;

class PostgresEventRelay
{
public:
    explicit PostgresEventRelay(EventHub& hub);
    ~PostgresEventRelay();
    PostgresEventRelay(const PostgresEventRelay&) = delete;
    PostgresEventRelay& operator=(const PostgresEventRelay&) = delete;

    void start(const QString& uri);
    void stop();

    // Thread-safe: this process committed events; the relay wakes the others.
    void announce();

private:
    // Where reading event_outbox goes on from: the last number read, and the transactions that were
    // still running then, whose rows may carry lower numbers and show only once they commit.
    struct Cursor
    {
        qint64 lastSeq = 0;
        QString running;
    };

    void run();
    // False when the connection was lost (or the relay is stopping).
    bool listenOnce(struct pg_conn* conn);
    bool pause(int milliseconds);
    void readFrom(Database& db, Cursor& cursor);

    EventHub& m_hub;
    QString m_uri;
    std::atomic<bool> m_stopping {false};
    std::atomic<bool> m_announced {false};
    int m_wakeFd = -1;
    int m_announceFd = -1;
    std::thread m_thread;
};
