// The plain encoder of requests: exact camelCase keys, compact JSON, optional fields left out.
#pragma once

#include "domain/WireRecords.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

QJsonObject toJson(const CompleteLoginRequest& request);
QJsonObject toJson(const RefreshRequest& request);
QJsonObject toJson(const LogoutRequest& request);
QJsonObject toJson(const RemoteBoardRequest& request);
QJsonObject toJson(const ChangeBoardOwnerRequest& request);
QJsonObject toJson(const SyncRequest& request);
QJsonObject toJson(const UpsertItemRequest& request);
QJsonObject toJson(const UpdateItemRequest& request);
QJsonObject toJson(const ImproveTextRequest& request);
QJsonObject toJson(const FeedbackRequest& request);
QJsonObject toJson(const MarkNotificationReadRequest& request);
QJsonObject toJson(const RemoteItem& item);
QJsonObject toJson(const RemoteBoard& board);
QJsonObject toJson(const BoardUser& user);
QJsonObject toJson(const User& user);

// Compact JSON bytes of any of the above.
template<typename T>
QByteArray encodeBody(const T& record)
{
    return QJsonDocument(toJson(record)).toJson(QJsonDocument::Compact);
}
