#include "session/NotificationViewModel.h"

#include <QPointer>
#include <algorithm>

NotificationViewModel::NotificationViewModel(
    NetworkService& api, std::chrono::milliseconds pollInterval, QObject* parent)
    : QObject(parent)
    , m_repository(&api)
    , m_pollInterval(pollInterval)
{
    m_pollTimer.setInterval(m_pollInterval);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        if (m_pollingEnabled)
            refresh();
    });
}

void NotificationViewModel::setPopoverPresented(bool presented)
{
    if (m_isPopoverPresented == presented)
        return;
    m_isPopoverPresented = presented;
    Q_EMIT isPopoverPresentedChanged(presented);
}

void NotificationViewModel::setPollingEnabled(bool enabled)
{
    if (enabled == m_pollingEnabled)
        return;
    m_pollingEnabled = enabled;
    if (enabled) {
        startPolling();
        return;
    }
    m_pollTimer.stop();
    ++m_session;
    m_requestsInFlight = 0;
    setFeed({});
    setLastError(std::nullopt);
    setLoading(false);
}

void NotificationViewModel::startPolling()
{
    m_pollTimer.stop();
    m_pollTimer.start();
    refresh();
}

QCoro::Task<void> NotificationViewModel::refresh()
{
    QPointer<NotificationViewModel> self(this);
    const quint64 session = m_session;
    beginLoading();
    ApiResult<NotificationFeed> result = co_await m_repository.fetchNotifications();
    if (!self || session != m_session)
        co_return;
    if (result) {
        setFeed(std::move(*result));
        setLastError(std::nullopt);
    } else {
        setLastError(result.error().description());
    }
    endLoading(session);
}

QCoro::Task<void> NotificationViewModel::markAllRead()
{
    if (m_feed.unreadCount < 1)
        co_return;
    QPointer<NotificationViewModel> self(this);
    const quint64 session = m_session;
    const ApiResult<void> result = co_await m_repository.markAllNotificationsRead();
    if (!self || session != m_session)
        co_return;
    if (!result) {
        setLastError(result.error().description());
        co_return;
    }
    setLastError(std::nullopt);
    co_await refresh();
}

QCoro::Task<void> NotificationViewModel::markRead(NotificationItem notification)
{
    if (notification.readAt)
        co_return;
    QPointer<NotificationViewModel> self(this);
    const quint64 session = m_session;
    const ApiResult<void> result = co_await m_repository.markNotificationRead(notification.id);
    if (!self || session != m_session)
        co_return;
    if (!result) {
        setLastError(result.error().description());
        co_return;
    }
    setLastError(std::nullopt);
    // The feed may have been replaced meanwhile: mark by id in whatever it holds now.
    NotificationFeed feed = m_feed;
    for (NotificationItem& item : feed.items) {
        if (item.id == notification.id && !item.readAt)
            item.readAt = QDateTime::currentDateTimeUtc();
    }
    // Until the next fetch this counts every listed unread item, not only those of the last week.
    feed.unreadCount
        = std::ranges::count_if(feed.items, [](const NotificationItem& item) { return !item.readAt; });
    setFeed(std::move(feed));
}

void NotificationViewModel::beginLoading()
{
    ++m_requestsInFlight;
    setLoading(true);
}

void NotificationViewModel::endLoading(quint64 session)
{
    if (session != m_session)
        return;
    m_requestsInFlight = std::max(0, m_requestsInFlight - 1);
    setLoading(m_requestsInFlight > 0);
}

void NotificationViewModel::setFeed(NotificationFeed feed)
{
    m_feed = std::move(feed);
    Q_EMIT feedChanged();
}

void NotificationViewModel::setLastError(std::optional<QString> error)
{
    if (m_lastError == error)
        return;
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged();
}

void NotificationViewModel::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged(loading);
}
