#include "wirecodec/RequestDecoder.h"

#include "domain/JsonRecordReader.h"
#include "domain/WireRecordReaders.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace {
CompleteLoginRequest read(JsonRecordReader& reader, CompleteLoginRequest*)
{
    CompleteLoginRequest request;
    request.deviceNonce = reader.string(QStringLiteral("deviceNonce"));
    request.ott = reader.string(QStringLiteral("ott"));
    return request;
}

RefreshRequest read(JsonRecordReader& reader, RefreshRequest*)
{
    return RefreshRequest { reader.string(QStringLiteral("refreshToken")) };
}

LogoutRequest read(JsonRecordReader& reader, LogoutRequest*)
{
    return LogoutRequest { reader.string(QStringLiteral("refreshToken")) };
}

RemoteBoardRequest read(JsonRecordReader& reader, RemoteBoardRequest*)
{
    RemoteBoardRequest request;
    request.name = reader.optionalString(QStringLiteral("name"));
    request.info = reader.optionalString(QStringLiteral("info"));
    request.active = reader.optionalBool(QStringLiteral("active"));
    return request;
}

ChangeBoardOwnerRequest read(JsonRecordReader& reader, ChangeBoardOwnerRequest*)
{
    return ChangeBoardOwnerRequest { reader.uuid(QStringLiteral("newOwnerId")) };
}

SyncRequest read(JsonRecordReader& reader, SyncRequest*)
{
    SyncRequest request;
    request.checkpoint = reader.integer(QStringLiteral("checkpoint"));
    request.items = reader.objectList(QStringLiteral("items"), readRemoteItem);
    return request;
}

UpsertItemRequest read(JsonRecordReader& reader, UpsertItemRequest*)
{
    UpsertItemRequest request;
    request.content = reader.string(QStringLiteral("content"));
    request.status = reader.string(QStringLiteral("status"));
    request.order = reader.integer(QStringLiteral("order"));
    request.createdAt = reader.string(QStringLiteral("createdAt"));
    request.boardId = reader.uuid(QStringLiteral("boardId"));
    request.assignee = reader.optionalUuid(QStringLiteral("assignee"));
    return request;
}

UpdateItemRequest read(JsonRecordReader& reader, UpdateItemRequest*)
{
    UpdateItemRequest request;
    request.content = reader.optionalString(QStringLiteral("content"));
    request.status = reader.optionalString(QStringLiteral("status"));
    request.order = reader.optionalInteger(QStringLiteral("order"));
    request.boardId = reader.optionalUuid(QStringLiteral("boardId"));
    request.assignee = reader.uuidUpdate(QStringLiteral("assignee"));
    request.archivedAt = reader.stringUpdate(QStringLiteral("archivedAt"));
    request.revision = reader.integer(QStringLiteral("revision"));
    return request;
}

ImproveTextRequest read(JsonRecordReader& reader, ImproveTextRequest*)
{
    return ImproveTextRequest { reader.string(QStringLiteral("content")) };
}

FeedbackRequest read(JsonRecordReader& reader, FeedbackRequest*)
{
    return FeedbackRequest { reader.string(QStringLiteral("text")) };
}

MarkNotificationReadRequest read(JsonRecordReader& reader, MarkNotificationReadRequest*)
{
    return MarkNotificationReadRequest { reader.uuid(QStringLiteral("id")) };
}
}

template<typename T>
std::expected<T, QString> decodeRequestBody(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return std::unexpected(
            QStringLiteral("Not valid JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return std::unexpected(QStringLiteral("Expected a JSON object"));
    JsonRecordReader reader(document.object());
    T request = read(reader, static_cast<T*>(nullptr));
    if (reader.failed())
        return std::unexpected(reader.error());
    return request;
}

template std::expected<CompleteLoginRequest, QString> decodeRequestBody<CompleteLoginRequest>(const QByteArray&);
template std::expected<RefreshRequest, QString> decodeRequestBody<RefreshRequest>(const QByteArray&);
template std::expected<LogoutRequest, QString> decodeRequestBody<LogoutRequest>(const QByteArray&);
template std::expected<RemoteBoardRequest, QString> decodeRequestBody<RemoteBoardRequest>(const QByteArray&);
template std::expected<ChangeBoardOwnerRequest, QString> decodeRequestBody<ChangeBoardOwnerRequest>(const QByteArray&);
template std::expected<SyncRequest, QString> decodeRequestBody<SyncRequest>(const QByteArray&);
template std::expected<UpsertItemRequest, QString> decodeRequestBody<UpsertItemRequest>(const QByteArray&);
template std::expected<UpdateItemRequest, QString> decodeRequestBody<UpdateItemRequest>(const QByteArray&);
template std::expected<ImproveTextRequest, QString> decodeRequestBody<ImproveTextRequest>(const QByteArray&);
template std::expected<FeedbackRequest, QString> decodeRequestBody<FeedbackRequest>(const QByteArray&);
template std::expected<MarkNotificationReadRequest, QString> decodeRequestBody<MarkNotificationReadRequest>(
    const QByteArray&);
