// The open event streams of one server process, by account: what a committed change is delivered
// to. Each stream has a bounded queue of frames; a stream whose client does not keep up is marked
// overflowed and ended instead of buffering without bound or slowing the others. Thread-safe:
// workers deliver, network threads subscribe and take.
#pragma once

#include "HttpLimits.h"
#include "ServiceEvent.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <deque>
#include <expected>
#include <functional>
#include <memory>
#include <mutex>

class EventSubscriber
{
public:
    EventSubscriber(QString accountId, QString sessionId)
        : m_accountId(std::move(accountId))
        , m_sessionId(std::move(sessionId))
    {
    }

    const QString& accountId() const { return m_accountId; }
    const QString& sessionId() const { return m_sessionId; }

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

private:
    friend class EventHub;
    // Queues the frame; past the limit the stream is marked overflowed instead.
    void push(QByteArray frame, bool ends, int limit);
    void drop();

    const QString m_accountId;
    const QString m_sessionId;
    std::mutex m_mutex;
    std::deque<QByteArray> m_frames;
    bool m_ended = false;
    bool m_overflowed = false;
    std::function<void()> m_wake;
};

class EventHub
{
public:
    enum class Refusal { AccountFull, ServerFull };

    EventHub(EventStreamLimits bounds, bool snakeCase);

    std::expected<std::shared_ptr<EventSubscriber>, Refusal> subscribe(
        const QString& accountId, const QString& sessionId);
    void unsubscribe(const std::shared_ptr<EventSubscriber>& subscriber);
    int streamCount() const;
    const EventStreamLimits& bounds() const { return m_bounds; }
    // The mark of this process on the events it sends to others.
    const QByteArray& origin() const { return m_origin; }

    // Queues the event's frame on the streams of these accounts (for an ended session: only that
    // session's streams, or all of the accounts' when it names none).
    void deliver(const ServiceEvent& event, const QStringList& recipients);
    // Ends every stream without a frame; their clients reconnect and catch up.
    void dropAll();

private:
    const EventStreamLimits m_bounds;
    const bool m_snakeCase;
    const QByteArray m_origin;
    mutable std::mutex m_mutex;
    QMultiHash<QString, std::shared_ptr<EventSubscriber>> m_byAccount;
};
