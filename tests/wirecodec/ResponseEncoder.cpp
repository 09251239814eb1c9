#include "wirecodec/ResponseEncoder.h"

#include "domain/Ids.h"
#include "domain/IsoDate.h"
#include "domain/JsonWriting.h"

namespace {
using JsonWriting::arrayOf;
using JsonWriting::insertIfPresent;
using JsonWriting::uuidValue;

QJsonArray uuidArray(const QList<QUuid>& ids)
{
    QJsonArray array;
    for (const QUuid& id : ids)
        array.append(uuidText(id));
    return array;
}
}

QJsonObject toJson(const RemoteBoard& board)
{
    QJsonObject object {
        { QStringLiteral("id"), uuidValue(board.id) },
        { QStringLiteral("name"), board.name },
        { QStringLiteral("createdAt"), board.createdAt },
        { QStringLiteral("updatedAt"), board.updatedAt },
        { QStringLiteral("createdBy"), board.createdBy },
        { QStringLiteral("revision"), board.revision },
    };
    insertIfPresent(object, QStringLiteral("info"), board.info);
    insertIfPresent(object, QStringLiteral("active"), board.active, [](bool active) { return QJsonValue(active); });
    return object;
}

QJsonObject toJson(const BoardUser& user)
{
    QJsonObject object {
        { QStringLiteral("userId"), uuidValue(user.userId) },
        { QStringLiteral("email"), user.email },
        { QStringLiteral("grantedAt"), user.grantedAt },
        { QStringLiteral("role"), toJson(user.role) },
        { QStringLiteral("boardId"), uuidValue(user.boardId) },
    };
    insertIfPresent(object, QStringLiteral("displayName"), user.displayName);
    insertIfPresent(object, QStringLiteral("avatarUrl"), user.avatarUrl);
    return object;
}

QJsonObject toJson(const User& user)
{
    QJsonObject object {
        { QStringLiteral("id"), uuidValue(user.id) },
        { QStringLiteral("email"), user.email },
        { QStringLiteral("updatedAt"), isoDateText(user.updatedAt) },
    };
    insertIfPresent(object, QStringLiteral("displayName"), user.displayName);
    insertIfPresent(object, QStringLiteral("handle"), user.handle);
    insertIfPresent(object, QStringLiteral("avatarUrl"), user.avatarUrl);
    insertIfPresent(object, QStringLiteral("lastLoginAt"), user.lastLoginAt,
        [](const QDateTime& date) { return QJsonValue(isoDateText(date)); });
    return object;
}

QJsonObject toJson(const StartLoginResponse& response)
{
    return QJsonObject { { QStringLiteral("loginUrl"), response.loginUrl } };
}

QJsonObject toJson(const LoginTokens& tokens)
{
    return QJsonObject {
        { QStringLiteral("accessToken"), tokens.accessToken },
        { QStringLiteral("refreshToken"), tokens.refreshToken },
    };
}

QJsonObject toJson(const CurrentUserResponse& response)
{
    return QJsonObject { { QStringLiteral("user"), toJson(response.user) } };
}

QJsonObject toJson(const RemoteBoardResponse& response)
{
    return QJsonObject {
        { QStringLiteral("board"), toJson(response.board) },
        { QStringLiteral("boardOwner"), toJson(response.boardOwner) },
        { QStringLiteral("users"), arrayOf(response.users) },
    };
}

QJsonObject toJson(const SyncResponse& response)
{
    return QJsonObject {
        { QStringLiteral("boardName"), response.boardName },
        { QStringLiteral("latestCheckpoint"), response.latestCheckpoint },
        { QStringLiteral("newItems"), arrayOf(response.newItems) },
        { QStringLiteral("deletedItems"), uuidArray(response.deletedItems) },
        { QStringLiteral("modifiedItems"), arrayOf(response.modifiedItems) },
        { QStringLiteral("conflictedItems"), uuidArray(response.conflictedItems) },
    };
}

QJsonObject toJson(const ItemResponse& response)
{
    return QJsonObject {
        { QStringLiteral("id"), uuidValue(response.id) },
        { QStringLiteral("revision"), response.revision },
        { QStringLiteral("updatedAt"), isoDateText(response.updatedAt) },
    };
}

QJsonObject toJson(const InvitationResponse& response)
{
    return QJsonObject { { QStringLiteral("code"), response.code } };
}

QJsonObject toJson(const ImproveTextResponse& response)
{
    return QJsonObject {
        { QStringLiteral("original"), response.original },
        { QStringLiteral("improved"), response.improved },
    };
}

QJsonObject toJson(const RemoteNotificationResponse& notification)
{
    QJsonObject object {
        { QStringLiteral("id"), uuidValue(notification.id) },
        { QStringLiteral("type"), notification.type },
        { QStringLiteral("createdAt"), isoDateText(notification.createdAt) },
    };
    insertIfPresent(object, QStringLiteral("boardId"), notification.boardId, uuidValue);
    insertIfPresent(object, QStringLiteral("itemId"), notification.itemId, uuidValue);
    insertIfPresent(object, QStringLiteral("actorId"), notification.actorId, uuidValue);
    insertIfPresent(object, QStringLiteral("actorDisplayName"), notification.actorDisplayName);
    insertIfPresent(object, QStringLiteral("readAt"), notification.readAt,
        [](const QDateTime& date) { return QJsonValue(isoDateText(date)); });
    return object;
}

QJsonObject toJson(const NotificationFeedResponse& response)
{
    return QJsonObject {
        { QStringLiteral("items"), arrayOf(response.items) },
        { QStringLiteral("unreadCount7d"), response.unreadCount7d },
    };
}

QJsonArray toJson(const QList<RemoteBoard>& boards)
{
    return arrayOf(boards);
}

QJsonValue toJson(ItemStatus status)
{
    return itemStatusText(status);
}

QJsonValue toJson(const BoardRole& role)
{
    return role.text();
}
