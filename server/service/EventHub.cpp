#include "EventHub.h"

#include <QRandomGenerator>
#include <vector>

EventHub::EventHub(EventStreamLimits bounds, bool snakeCase)
    : m_bounds(bounds)
    , m_snakeCase(snakeCase)
    , m_origin(QByteArray::number(QRandomGenerator::system()->generate64(), 36))
{
}

std::expected<std::shared_ptr<EventSubscriber>, EventHub::Refusal> EventHub::subscribe(
    const QString& accountId, const QString& sessionId, const QString& address)
{
    std::lock_guard lock(m_mutex);
    if (m_byAccount.size() >= m_bounds.maxStreams)
        return std::unexpected(Refusal::ServerFull);
    if (m_byAccount.count(accountId) >= m_bounds.maxStreamsPerAccount)
        return std::unexpected(Refusal::AccountFull);
    int& fromAddress = m_streamsByAddress[address];
    if (fromAddress >= m_bounds.maxStreamsPerAddress)
        return std::unexpected(Refusal::AddressFull);
    ++fromAddress;
    auto subscriber = std::make_shared<EventSubscriber>(accountId, sessionId, address);
    m_byAccount.insert(accountId, subscriber);
    return subscriber;
}

void EventHub::unsubscribe(const std::shared_ptr<EventSubscriber>& subscriber)
{
    std::lock_guard lock(m_mutex);
    if (m_byAccount.remove(subscriber->accountId(), subscriber) == 0)
        return;
    const auto count = m_streamsByAddress.find(subscriber->address());
    if (count != m_streamsByAddress.end() && --*count <= 0)
        m_streamsByAddress.erase(count);
}

void EventHub::deliver(const ServiceEvent& event, const QStringList& recipients)
{
    const bool ends = event.kind == ServiceEvent::Kind::SessionEnded;
    std::vector<std::shared_ptr<EventSubscriber>> targets;
    {
        std::lock_guard lock(m_mutex);
        for (const QString& account : recipients) {
            for (auto it = m_byAccount.constFind(account); it != m_byAccount.cend() && it.key() == account;
                 ++it) {
                if (!ends || event.endedSession.isEmpty() || (*it)->sessionId() == event.endedSession)
                    targets.push_back(*it);
            }
        }
    }
    if (targets.empty())
        return;
    const QByteArray frame = event.frame(m_snakeCase);
    for (const auto& subscriber : targets)
        subscriber->push(frame, ends, m_bounds.queueFrames);
}

bool EventHub::hasStreams()
{
    std::lock_guard lock(m_mutex);
    return !m_byAccount.isEmpty();
}

void EventHub::nudgeAll()
{
    std::vector<std::shared_ptr<EventSubscriber>> all;
    {
        std::lock_guard lock(m_mutex);
        all.assign(m_byAccount.cbegin(), m_byAccount.cend());
    }
    for (const auto& subscriber : all)
        subscriber->nudge();
}

void EventHub::dropAll()
{
    std::vector<std::shared_ptr<EventSubscriber>> all;
    {
        std::lock_guard lock(m_mutex);
        all.assign(m_byAccount.cbegin(), m_byAccount.cend());
    }
    for (const auto& subscriber : all)
        subscriber->drop();
}
