// The per-user notification feed: "ItemAssigned" and "BoardMemberJoined" entries, the unread count of
// the last seven days, and marking read.
#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

class Clock;
class Database;
class EventOutbox;
struct Account;

class NotificationService
{
public:
    NotificationService(Database& db, const Clock& clock, EventOutbox& events);

    void notify(const QString& userId, const QString& type, const QString& boardId,
        const std::optional<QString>& itemId, const Account& actor);

    // NotificationFeedResponse, newest first. Without readOnly the listed entries become read
    // (the answer still shows them as they were).
    QJsonObject feed(const Account& me, bool readOnly);
    void markAllRead(const Account& me);
    void markRead(const Account& me, const QString& notificationId);

private:
    Database& m_db;
    const Clock& m_clock;
    EventOutbox& m_events;
};
