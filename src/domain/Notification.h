// The notification feed: what happened on the user's boards, newest as the service orders it.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

class NotificationType
{
public:
    enum class Kind { itemAssigned, boardMemberJoined, unknown };

    static NotificationType itemAssigned() { return NotificationType(Kind::itemAssigned, {}); }
    static NotificationType boardMemberJoined() { return NotificationType(Kind::boardMemberJoined, {}); }
    static NotificationType unknown(QString text) { return NotificationType(Kind::unknown, std::move(text)); }

    // "ItemAssigned" and "BoardMemberJoined" exactly; every other text is unknown, kept as sent.
    static NotificationType fromText(const QString& text)
    {
        if (text == QLatin1String("ItemAssigned"))
            return itemAssigned();
        if (text == QLatin1String("BoardMemberJoined"))
            return boardMemberJoined();
        return unknown(text);
    }

    Kind kind() const { return m_kind; }
    QString unknownText() const { return m_text; }

    friend bool operator==(const NotificationType& a, const NotificationType& b)
    {
        return a.m_kind == b.m_kind && (a.m_kind != Kind::unknown || a.m_text == b.m_text);
    }

private:
    NotificationType(Kind kind, QString text)
        : m_kind(kind)
        , m_text(std::move(text))
    {
    }
    Kind m_kind;
    QString m_text;
};

struct NotificationItem
{
    QUuid id;
    NotificationType type = NotificationType::unknown({});
    std::optional<QUuid> boardId;
    std::optional<QUuid> itemId;
    std::optional<QUuid> actorId;
    std::optional<QString> actorDisplayName;
    QDateTime createdAt;
    std::optional<QDateTime> readAt; // absent while unread
};

struct NotificationFeed
{
    QList<NotificationItem> items;
    qint64 unreadCount = 0;
};
