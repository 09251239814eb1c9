// The open event streams of one server process, by account (and counted by client address): what a committed change is delivered
// to, each stream through its own bounded queue (EventSubscriber), so a client that does not keep up
// is ended instead of buffering without bound or slowing the others. Thread-safe: workers deliver,
// network threads subscribe and unsubscribe.
#pragma once

#include "EventSubscriber.h"
#include "HttpLimits.h"
#include "ServiceEvent.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <expected>
#include <functional>
#include <memory>
#include <mutex>

class EventHub
{
public:
    enum class Refusal { AccountFull, AddressFull, ServerFull };

    EventHub(EventStreamLimits bounds, bool snakeCase);

    std::expected<std::shared_ptr<EventSubscriber>, Refusal> subscribe(
        const QString& accountId, const QString& sessionId, const QString& address);
    void unsubscribe(const std::shared_ptr<EventSubscriber>& subscriber);
    // The mark of this process on the events it sends to others.
    const QByteArray& origin() const { return m_origin; }

    // Queues the event's frame on the streams of these accounts (for an ended session: only that
    // session's streams, or all of the accounts' when it names none).
    void deliver(const ServiceEvent& event, const QStringList& recipients);
    // Ends every stream without a frame; their clients reconnect and catch up.
    void dropAll();
    bool hasStreams();

    // What tells the other processes that events of theirs were committed (the relay's wake-up);
    // set before the workers start.
    void setCommitAnnouncer(std::function<void()> announce) { m_announce = std::move(announce); }
    // The devserver is one process on its own: no other hears of its events. Set before the
    // workers start. Every process of plenko-server shares them, its operator commands included.
    void setSingleProcess() { m_singleProcess = true; }
    bool sharesWithOthers() const { return !m_singleProcess; }
    void announceCommitted() const
    {
        if (m_announce)
            m_announce();
    }
    // Every stream looks at its token's expiry again (the service's clock moved).
    void nudgeAll();

private:
    const EventStreamLimits m_bounds;
    const bool m_snakeCase;
    const QByteArray m_origin;
    std::mutex m_mutex;
    QMultiHash<QString, std::shared_ptr<EventSubscriber>> m_byAccount;
    std::function<void()> m_announce;
    bool m_singleProcess = false;
    QHash<QString, int> m_streamsByAddress;
};
