#include "session/NotificationText.h"

namespace {

// A name that is only blanks tells the reader nothing, so it counts as missing.
std::optional<QString> usableName(const std::optional<QString>& name)
{
    if (!name || name->trimmed().isEmpty())
        return std::nullopt;
    return name->trimmed();
}

QList<NotificationTextRun> assignedSentence(
    const std::optional<QString>& actor, const std::optional<QString>& boardName)
{
    QList<NotificationTextRun> runs;
    if (actor) {
        runs.append({*actor, true});
        runs.append({QStringLiteral(" assigned a new item to "), false});
    } else {
        runs.append({QStringLiteral("New item assigned to "), false});
    }
    runs.append({QStringLiteral("you"), false});
    if (boardName) {
        runs.append({QStringLiteral(" on "), false});
        runs.append({*boardName, true});
    }
    return runs;
}

QList<NotificationTextRun> joinedSentence(
    const std::optional<QString>& actor, const std::optional<QString>& boardName)
{
    QList<NotificationTextRun> runs;
    if (actor) {
        runs.append({*actor, true});
        if (boardName) {
            runs.append({QStringLiteral(" joined "), false});
            runs.append({*boardName, true});
        } else {
            runs.append({QStringLiteral(" joined this board"), false});
        }
        return runs;
    }
    if (boardName) {
        runs.append({QStringLiteral("New member joined "), false});
        runs.append({*boardName, true});
    } else {
        runs.append({QStringLiteral("New member joined this board"), false});
    }
    return runs;
}

} // namespace

QString NotificationText::sentenceText() const
{
    QString text;
    for (const NotificationTextRun& run : sentence)
        text += run.text;
    return text;
}

std::optional<Item> NotificationText::findItem(
    const NotificationItem& notification, const std::optional<Board>& board)
{
    if (!board || !notification.itemId)
        return std::nullopt;
    for (const Item& item : board->items) {
        if (item.id == *notification.itemId && !item.isDeleted())
            return item;
    }
    return std::nullopt;
}

NotificationText NotificationText::make(
    const NotificationItem& notification, const std::optional<Board>& board)
{
    NotificationText text;
    const std::optional<QString> actor = usableName(notification.actorDisplayName);
    const std::optional<QString> boardName = board ? usableName(board->name) : std::nullopt;
    switch (notification.type.kind()) {
    case NotificationType::Kind::itemAssigned:
        text.headline = QStringLiteral("New item assigned");
        text.sentence = assignedSentence(actor, boardName);
        break;
    case NotificationType::Kind::boardMemberJoined:
        text.headline = QStringLiteral("New board member");
        text.sentence = joinedSentence(actor, boardName);
        break;
    case NotificationType::Kind::unknown:
        text.headline = QStringLiteral("Notification");
        break;
    }
    if (const std::optional<Item> item = findItem(notification, board)) {
        text.content = item->content;
        text.isContentAvailable = true;
    } else {
        text.content = contentUnavailable;
    }
    return text;
}
