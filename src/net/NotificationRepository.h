// The notification feed of the signed-in user and its read markers.
#pragma once

#include "domain/Notification.h"
#include "net/NetworkService.h"

#include <QUuid>

class NotificationRepository
{
public:
    explicit NotificationRepository(NetworkService* client)
        : m_client(client)
    {
    }

    // Always the read-only form of the feed.
    QCoro::Task<ApiResult<NotificationFeed>> fetchNotifications() const;
    QCoro::Task<ApiResult<void>> markAllNotificationsRead() const;
    QCoro::Task<ApiResult<void>> markNotificationRead(const QUuid& notificationId) const;

private:
    NetworkService* m_client;
};
