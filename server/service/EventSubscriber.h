// One open event stream's side of the hub: whose it is, and the frames waiting for it. Delivering
// threads push; the stream's own strand takes everything queued at once. Bounded: a client that falls
// further behind than the limit is marked overflowed and its stream ends.
#pragma once

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <mutex>

class EventSubscriber
{
public:
    EventSubscriber(QString accountId, QString sessionId, QString address)
        : m_accountId(std::move(accountId))
        , m_sessionId(std::move(sessionId))
        , m_address(std::move(address))
    {
    }

    const QString& accountId() const { return m_accountId; }
    const QString& sessionId() const { return m_sessionId; }
    // The client's address, as the trusted proxies resolve it.
    const QString& address() const { return m_address; }

    struct Taken
    {
        QByteArray frames;
        // The stream ends after these frames: its session ended.
        bool ended = false;
        // The client fell behind by more than the queue holds: end the stream without writing.
        bool overflowed = false;
    };
    // Everything queued, emptying the queue.
    Taken take();
    // Called (outside any lock, on the delivering thread) when the queue stops being empty.
    void setWake(std::function<void()> wake);

    // Queues the frame (the last one when `ends`); past the limit the stream is marked overflowed
    // instead.
    void push(QByteArray frame, bool ends, int limit);
    // Ends the stream without a frame; its client reconnects and catches up.
    void drop();
    // Wakes the stream without a frame, so that it looks at its token's expiry again.
    void nudge();

private:
    const QString m_accountId;
    const QString m_sessionId;
    const QString m_address;
    std::mutex m_mutex;
    std::deque<QByteArray> m_frames;
    bool m_ended = false;
    bool m_overflowed = false;
    std::function<void()> m_wake;
};
