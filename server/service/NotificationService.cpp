#include "NotificationService.h"

#include "AuthService.h"
#include "Clock.h"
#include "Database.h"
#include "EventOutbox.h"
#include "HttpError.h"
#include "Tokens.h"

#include <QJsonArray>

namespace {

constexpr int feedLimit = 100;

void insertOptional(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

} // namespace

NotificationService::NotificationService(Database& db, const Clock& clock, EventOutbox& events)
    : m_db(db)
    , m_clock(clock)
    , m_events(events)
{
}

void NotificationService::notify(const QString& userId, const QString& type, const QString& boardId,
    const std::optional<QString>& itemId, const Account& actor)
{
    m_db.execute(QStringLiteral("INSERT INTO notifications (id, user_id, type, board_id, item_id, actor_id,"
                                " actor_display_name, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {Tokens::newUuid(), userId, type, boardId, itemId ? QVariant(*itemId) : QVariant(), actor.id,
            actor.shownName(), m_clock.isoNow()});
    m_events.notificationFor(userId);
}

QJsonObject NotificationService::feed(const Account& me, bool readOnly)
{
    const QString weekAgo = Clock::iso(m_clock.now().addDays(-7));
    // The unread count (counted once: it names no column of the row) rides on every row; with no
    // row there is no notification to count.
    const QList<Row> rows = m_db.query(
        QStringLiteral("SELECT n.*, (SELECT COUNT(*) FROM notifications u WHERE u.user_id = ?"
                       " AND u.read_at IS NULL AND u.created_at >= ?) AS unread_count FROM notifications n"
                       " WHERE n.user_id = ? ORDER BY n.created_at DESC, n.rowid DESC LIMIT ?"),
        {me.id, weekAgo, me.id, feedLimit});
    QJsonArray items;
    for (const Row& row : rows) {
        QJsonObject item {{QStringLiteral("id"), row.text("id")}, {QStringLiteral("type"), row.text("type")},
            {QStringLiteral("createdAt"), row.text("created_at")}};
        insertOptional(item, QStringLiteral("boardId"), row.optionalText("board_id"));
        insertOptional(item, QStringLiteral("itemId"), row.optionalText("item_id"));
        insertOptional(item, QStringLiteral("actorId"), row.optionalText("actor_id"));
        insertOptional(item, QStringLiteral("actorDisplayName"), row.optionalText("actor_display_name"));
        insertOptional(item, QStringLiteral("readAt"), row.optionalText("read_at"));
        items.append(item);
    }
    if (!readOnly) {
        for (const Row& row : rows) {
            m_db.execute(
                QStringLiteral("UPDATE notifications SET read_at = ? WHERE id = ? AND read_at IS NULL"),
                {m_clock.isoNow(), row.text("id")});
        }
    }
    return {{QStringLiteral("items"), items},
        {QStringLiteral("unreadCount7d"), rows.isEmpty() ? 0 : rows.first().integer("unread_count")}};
}

void NotificationService::markAllRead(const Account& me)
{
    m_db.execute(QStringLiteral("UPDATE notifications SET read_at = ? WHERE user_id = ? AND read_at IS NULL"),
        {m_clock.isoNow(), me.id});
}

void NotificationService::markRead(const Account& me, const QString& notificationId)
{
    const auto row
        = m_db.queryOne(QStringLiteral("SELECT read_at FROM notifications WHERE id = ? AND user_id = ?"),
            {notificationId, me.id});
    if (!row)
        throw HttpError(
            404, QStringLiteral("NOTIFICATION_NOT_FOUND"), QStringLiteral("No such notification."));
    if (row->isNull("read_at"))
        m_db.execute(QStringLiteral("UPDATE notifications SET read_at = ? WHERE id = ?"),
            {m_clock.isoNow(), notificationId});
}
