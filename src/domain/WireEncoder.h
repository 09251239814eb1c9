// The plain encoder of requests: exact camelCase keys, compact JSON, optional fields left out.
// Response records and the embedded records are written the same way wherever the program (or a
// stand-in service) encodes them. UUIDs are upper-case text, dates the shared ISO form.
#pragma once

#include "domain/ItemStatus.h"
#include "domain/WireRecords.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

QJsonObject toJson(const CompleteLoginRequest& request);
QJsonObject toJson(const RefreshRequest& request);
QJsonObject toJson(const LogoutRequest& request);
QJsonObject toJson(const RemoteBoardRequest& request);
QJsonObject toJson(const ChangeBoardOwnerRequest& request);
QJsonObject toJson(const SyncRequest& request);
QJsonObject toJson(const UpsertItemRequest& request);
// Writes "revision" always, and each other key only when given; a cleared assignee or archive time
// is written as null.
QJsonObject toJson(const UpdateItemRequest& request);
QJsonObject toJson(const ImproveTextRequest& request);
QJsonObject toJson(const FeedbackRequest& request);
QJsonObject toJson(const MarkNotificationReadRequest& request);
QJsonObject toJson(const RemoteItem& item);
QJsonObject toJson(const RemoteBoard& board);
QJsonObject toJson(const BoardUser& user);
QJsonObject toJson(const User& user);

QJsonObject toJson(const StartLoginResponse& response);
QJsonObject toJson(const LoginTokens& tokens);
QJsonObject toJson(const CurrentUserResponse& response);
QJsonObject toJson(const RemoteBoardResponse& response);
QJsonObject toJson(const SyncResponse& response);
QJsonObject toJson(const ItemResponse& response);
QJsonObject toJson(const InvitationResponse& response);
QJsonObject toJson(const ImproveTextResponse& response);
QJsonObject toJson(const RemoteNotificationResponse& notification);
QJsonObject toJson(const NotificationFeedResponse& response);
QJsonArray toJson(const QList<RemoteBoard>& boards);

// The JSON forms of the two enumerations: their text values as JSON strings.
QJsonValue toJson(ItemStatus status);
QJsonValue toJson(const BoardRole& role);

// Compact JSON bytes of any of the records above (objects and the board array).
template<typename T>
QByteArray encodeBody(const T& record)
{
    return QJsonDocument(toJson(record)).toJson(QJsonDocument::Compact);
}
