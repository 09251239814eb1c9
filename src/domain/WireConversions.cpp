#include "domain/WireConversions.h"

#include "domain/IsoDate.h"

namespace {
QDateTime dateOrNow(const QString& text)
{
    return parseIsoDate(text).value_or(QDateTime::currentDateTimeUtc());
}

std::optional<QDateTime> optionalDate(const std::optional<QString>& text)
{
    return text ? parseIsoDate(*text) : std::nullopt;
}

std::optional<QString> optionalText(const std::optional<QDateTime>& date)
{
    return date ? std::optional(isoDateText(*date)) : std::nullopt;
}
}

Item itemFromRemote(const RemoteItem& remote)
{
    Item item;
    item.id = remote.id;
    item.content = remote.content;
    item.status = itemStatusFromText(remote.status).value_or(ItemStatus::todo);
    item.order = remote.order;
    item.boardId = remote.boardId;
    item.createdBy = remote.createdBy;
    item.assignee = remote.assignee;
    item.author = remote.author;
    item.createdAt = dateOrNow(remote.createdAt);
    item.updatedAt = dateOrNow(remote.updatedAt);
    item.deletedAt = optionalDate(remote.deletedAt);
    item.archivedAt = optionalDate(remote.archivedAt);
    item.revision = remote.revision;
    item.didSync = true;
    return item;
}

RemoteItem remoteFromItem(const Item& item)
{
    RemoteItem remote;
    remote.id = item.id;
    remote.content = item.content;
    remote.status = itemStatusText(item.status);
    remote.boardId = item.boardId;
    remote.createdAt = isoDateText(item.createdAt);
    remote.createdBy = item.createdBy;
    remote.assignee = item.assignee;
    remote.author = item.author;
    remote.order = item.order;
    remote.updatedAt = isoDateText(item.updatedAt);
    remote.deletedAt = optionalText(item.deletedAt);
    remote.archivedAt = optionalText(item.archivedAt);
    remote.revision = item.revision;
    return remote;
}

Board boardFromRemote(const RemoteBoard& remote)
{
    Board board;
    board.id = remote.id;
    board.name = remote.name;
    board.createdAt = dateOrNow(remote.createdAt);
    board.updatedAt = dateOrNow(remote.updatedAt);
    board.syncWithServer = true;
    board.createdBy = remote.createdBy;
    board.info = remote.info;
    board.isActive = remote.active.value_or(true);
    board.revision = remote.revision;
    return board;
}

BoardDetails boardDetailsFromResponse(const RemoteBoardResponse& response)
{
    return BoardDetails { boardFromRemote(response.board), response.boardOwner, response.users };
}

NotificationFeed notificationFeedFromResponse(const NotificationFeedResponse& response)
{
    NotificationFeed feed;
    feed.unreadCount = response.unreadCount7d;
    feed.items.reserve(response.items.size());
    for (const RemoteNotificationResponse& remote : response.items) {
        NotificationItem item;
        item.id = remote.id;
        item.type = NotificationType::fromText(remote.type);
        item.boardId = remote.boardId;
        item.itemId = remote.itemId;
        item.actorId = remote.actorId;
        item.actorDisplayName = remote.actorDisplayName;
        item.createdAt = remote.createdAt;
        item.readAt = remote.readAt;
        feed.items.append(item);
    }
    return feed;
}
