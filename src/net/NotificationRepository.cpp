#include "net/NotificationRepository.h"

#include "domain/Ids.h"
#include "domain/WireConversions.h"
#include "domain/WireEncoder.h"
#include "net/Endpoint.h"

namespace {
QCoro::Task<ApiResult<NotificationFeed>> fetchFeed(NetworkService* client)
{
    const ApiResult<NotificationFeedResponse> response = co_await fetchRecord<NotificationFeedResponse>(
        client, { "GET", QStringLiteral("/api/notifications?readOnly=true") });
    if (!response)
        co_return std::unexpected(response.error());
    co_return notificationFeedFromResponse(*response);
}
}

QCoro::Task<ApiResult<NotificationFeed>> NotificationRepository::fetchNotifications() const
{
    return fetchFeed(m_client);
}

QCoro::Task<ApiResult<void>> NotificationRepository::markAllNotificationsRead() const
{
    // The service expects the JSON content type here even though nothing is sent.
    return sendIgnoringBody(m_client, { "POST", QStringLiteral("/api/notifications/read-all"), {}, true });
}

QCoro::Task<ApiResult<void>> NotificationRepository::markNotificationRead(const QUuid& notificationId) const
{
    return sendIgnoringBody(m_client,
        { "POST", QStringLiteral("/api/notifications/") + uuidText(notificationId) + QStringLiteral("/read"), {}, true,
            encodeBody(MarkNotificationReadRequest { notificationId }) });
}
