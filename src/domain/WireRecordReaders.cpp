#include "domain/WireRecordReaders.h"

BoardRole readBoardRole(JsonRecordReader& reader, const QString& key)
{
    return BoardRole::fromText(reader.string(key));
}

BoardUser readBoardUser(JsonRecordReader& reader)
{
    BoardUser user;
    user.userId = reader.uuid(QStringLiteral("userId"));
    user.email = reader.string(QStringLiteral("email"));
    user.grantedAt = reader.string(QStringLiteral("grantedAt"));
    user.role = readBoardRole(reader, QStringLiteral("role"));
    user.boardId = reader.uuid(QStringLiteral("boardId"));
    user.displayName = reader.optionalString(QStringLiteral("displayName"));
    user.avatarUrl = reader.optionalString(QStringLiteral("avatarUrl"));
    return user;
}

User readUser(JsonRecordReader& reader)
{
    User user;
    user.id = reader.uuid(QStringLiteral("id"));
    user.email = reader.string(QStringLiteral("email"));
    user.displayName = reader.optionalString(QStringLiteral("displayName"));
    user.handle = reader.optionalString(QStringLiteral("handle"));
    user.avatarUrl = reader.optionalString(QStringLiteral("avatarUrl"));
    user.lastLoginAt = reader.optionalDate(QStringLiteral("lastLoginAt"));
    user.updatedAt = reader.date(QStringLiteral("updatedAt"));
    return user;
}

RemoteItem readRemoteItem(JsonRecordReader& reader)
{
    RemoteItem item;
    item.id = reader.uuid(QStringLiteral("id"));
    item.content = reader.string(QStringLiteral("content"));
    item.status = reader.string(QStringLiteral("status"));
    item.boardId = reader.uuid(QStringLiteral("boardId"));
    item.createdAt = reader.string(QStringLiteral("createdAt"));
    item.createdBy = reader.uuid(QStringLiteral("createdBy"));
    item.assignee = reader.optionalUuid(QStringLiteral("assignee"));
    item.author = reader.optionalString(QStringLiteral("author"));
    item.order = reader.integer(QStringLiteral("order"));
    item.updatedAt = reader.string(QStringLiteral("updatedAt"));
    item.deletedAt = reader.optionalString(QStringLiteral("deletedAt"));
    item.archivedAt = reader.optionalString(QStringLiteral("archivedAt"));
    item.revision = reader.integer(QStringLiteral("revision"));
    return item;
}

RemoteBoard readRemoteBoard(JsonRecordReader& reader)
{
    RemoteBoard board;
    board.id = reader.uuid(QStringLiteral("id"));
    board.name = reader.string(QStringLiteral("name"));
    board.createdAt = reader.string(QStringLiteral("createdAt"));
    board.updatedAt = reader.string(QStringLiteral("updatedAt"));
    board.createdBy = reader.string(QStringLiteral("createdBy"));
    board.info = reader.optionalString(QStringLiteral("info"));
    board.active = reader.optionalBool(QStringLiteral("active"));
    board.revision = reader.integer(QStringLiteral("revision"));
    return board;
}

StartLoginResponse readStartLoginResponse(JsonRecordReader& reader)
{
    return StartLoginResponse { reader.string(QStringLiteral("loginUrl")) };
}

LoginTokens readLoginTokens(JsonRecordReader& reader)
{
    LoginTokens tokens;
    tokens.accessToken = reader.string(QStringLiteral("accessToken"));
    tokens.refreshToken = reader.string(QStringLiteral("refreshToken"));
    return tokens;
}

CurrentUserResponse readCurrentUserResponse(JsonRecordReader& reader)
{
    return CurrentUserResponse { reader.object(QStringLiteral("user"), readUser) };
}

RemoteBoardResponse readRemoteBoardResponse(JsonRecordReader& reader)
{
    RemoteBoardResponse response;
    response.board = reader.object(QStringLiteral("board"), readRemoteBoard);
    response.boardOwner = reader.object(QStringLiteral("boardOwner"), readBoardUser);
    response.users = reader.objectList(QStringLiteral("users"), readBoardUser);
    return response;
}

SyncResponse readSyncResponse(JsonRecordReader& reader)
{
    SyncResponse response;
    response.boardName = reader.string(QStringLiteral("boardName"));
    response.latestCheckpoint = reader.integer(QStringLiteral("latestCheckpoint"));
    response.newItems = reader.objectList(QStringLiteral("newItems"), readRemoteItem);
    response.deletedItems = reader.uuidList(QStringLiteral("deletedItems"));
    response.modifiedItems = reader.objectList(QStringLiteral("modifiedItems"), readRemoteItem);
    response.conflictedItems = reader.uuidList(QStringLiteral("conflictedItems"));
    return response;
}

ItemResponse readItemResponse(JsonRecordReader& reader)
{
    ItemResponse response;
    response.id = reader.uuid(QStringLiteral("id"));
    response.revision = reader.integer(QStringLiteral("revision"));
    response.updatedAt = reader.date(QStringLiteral("updatedAt"));
    return response;
}

InvitationResponse readInvitationResponse(JsonRecordReader& reader)
{
    return InvitationResponse { reader.string(QStringLiteral("code")) };
}

ImproveTextResponse readImproveTextResponse(JsonRecordReader& reader)
{
    ImproveTextResponse response;
    response.original = reader.string(QStringLiteral("original"));
    response.improved = reader.string(QStringLiteral("improved"));
    return response;
}

RemoteNotificationResponse readRemoteNotificationResponse(JsonRecordReader& reader)
{
    RemoteNotificationResponse notification;
    notification.id = reader.uuid(QStringLiteral("id"));
    notification.type = reader.string(QStringLiteral("type"));
    notification.boardId = reader.optionalUuid(QStringLiteral("boardId"));
    notification.itemId = reader.optionalUuid(QStringLiteral("itemId"));
    notification.actorId = reader.optionalUuid(QStringLiteral("actorId"));
    notification.actorDisplayName = reader.optionalString(QStringLiteral("actorDisplayName"));
    notification.createdAt = reader.date(QStringLiteral("createdAt"));
    notification.readAt = reader.optionalDate(QStringLiteral("readAt"));
    return notification;
}

NotificationFeedResponse readNotificationFeedResponse(JsonRecordReader& reader)
{
    NotificationFeedResponse response;
    response.items = reader.objectList(QStringLiteral("items"), readRemoteNotificationResponse);
    response.unreadCount7d = reader.integer(QStringLiteral("unreadCount7d"));
    return response;
}
