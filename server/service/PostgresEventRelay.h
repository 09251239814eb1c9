// Carries events between server processes of one PostgreSQL database: LISTENs on the events channel
// on its own connection and thread, and delivers what other processes committed to this process's
// streams, resolving the recipients and the board's checkpoint here. When its connection is lost it
// connects again and drops this process's streams, whose clients reconnect and catch up: a missed
// event never becomes a missed change.
#pragma once

#include <QString>
#include <atomic>
#include <thread>

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

private:
    void run();
    // False when the connection was lost (or the relay is stopping).
    bool listenOnce(struct pg_conn* conn);
    bool pause(int milliseconds);

    EventHub& m_hub;
    QString m_uri;
    std::atomic<bool> m_stopping {false};
    int m_wakeFd = -1;
    std::thread m_thread;
};
