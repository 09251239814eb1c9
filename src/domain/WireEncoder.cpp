#include "domain/WireEncoder.h"

#include "domain/Ids.h"
#include "domain/IsoDate.h"
#include "domain/JsonWriting.h"

namespace {
using JsonWriting::arrayOf;
using JsonWriting::insertIfPresent;
using JsonWriting::uuidValue;

template<typename T, typename Convert>
void insertUpdate(QJsonObject& object, const QString& key, const FieldUpdate<T>& update, Convert convert)
{
    if (update.isCleared())
        object.insert(key, QJsonValue::Null);
    else if (update.isSet())
        object.insert(key, convert(update.value()));
}

QJsonValue plainText(const QString& text)
{
    return text;
}
}

QJsonObject toJson(const CompleteLoginRequest& request)
{
    return QJsonObject { { QStringLiteral("deviceNonce"), request.deviceNonce }, { QStringLiteral("ott"), request.ott } };
}

QJsonObject toJson(const RefreshRequest& request)
{
    return QJsonObject { { QStringLiteral("refreshToken"), request.refreshToken } };
}

QJsonObject toJson(const LogoutRequest& request)
{
    return QJsonObject { { QStringLiteral("refreshToken"), request.refreshToken } };
}

QJsonObject toJson(const RemoteBoardRequest& request)
{
    QJsonObject object;
    insertIfPresent(object, QStringLiteral("name"), request.name);
    insertIfPresent(object, QStringLiteral("info"), request.info);
    insertIfPresent(object, QStringLiteral("active"), request.active, [](bool active) { return QJsonValue(active); });
    return object;
}

QJsonObject toJson(const ChangeBoardOwnerRequest& request)
{
    return QJsonObject { { QStringLiteral("newOwnerId"), uuidValue(request.newOwnerId) } };
}

QJsonObject toJson(const SyncRequest& request)
{
    return QJsonObject {
        { QStringLiteral("checkpoint"), request.checkpoint },
        { QStringLiteral("items"), arrayOf(request.items) },
    };
}

QJsonObject toJson(const UpsertItemRequest& request)
{
    QJsonObject object {
        { QStringLiteral("content"), request.content },
        { QStringLiteral("status"), request.status },
        { QStringLiteral("order"), request.order },
        { QStringLiteral("createdAt"), request.createdAt },
        { QStringLiteral("boardId"), uuidValue(request.boardId) },
    };
    insertIfPresent(object, QStringLiteral("assignee"), request.assignee, uuidValue);
    return object;
}

QJsonObject toJson(const UpdateItemRequest& request)
{
    QJsonObject object;
    insertIfPresent(object, QStringLiteral("content"), request.content);
    insertIfPresent(object, QStringLiteral("status"), request.status);
    insertIfPresent(object, QStringLiteral("order"), request.order, [](qint64 order) { return QJsonValue(order); });
    insertIfPresent(object, QStringLiteral("boardId"), request.boardId, uuidValue);
    insertUpdate(object, QStringLiteral("assignee"), request.assignee, uuidValue);
    insertUpdate(object, QStringLiteral("archivedAt"), request.archivedAt, plainText);
    object.insert(QStringLiteral("revision"), request.revision);
    return object;
}

QJsonObject toJson(const ImproveTextRequest& request)
{
    return QJsonObject { { QStringLiteral("content"), request.content } };
}

QJsonObject toJson(const FeedbackRequest& request)
{
    return QJsonObject { { QStringLiteral("text"), request.text } };
}

QJsonObject toJson(const MarkNotificationReadRequest& request)
{
    return QJsonObject { { QStringLiteral("id"), uuidValue(request.id) } };
}

QJsonObject toJson(const RemoteItem& item)
{
    QJsonObject object {
        { QStringLiteral("id"), uuidValue(item.id) },
        { QStringLiteral("content"), item.content },
        { QStringLiteral("status"), item.status },
        { QStringLiteral("boardId"), uuidValue(item.boardId) },
        { QStringLiteral("createdAt"), item.createdAt },
        { QStringLiteral("createdBy"), uuidValue(item.createdBy) },
        { QStringLiteral("order"), item.order },
        { QStringLiteral("updatedAt"), item.updatedAt },
        { QStringLiteral("revision"), item.revision },
    };
    insertIfPresent(object, QStringLiteral("assignee"), item.assignee, uuidValue);
    insertIfPresent(object, QStringLiteral("author"), item.author);
    insertIfPresent(object, QStringLiteral("deletedAt"), item.deletedAt);
    insertIfPresent(object, QStringLiteral("archivedAt"), item.archivedAt);
    return object;
}
