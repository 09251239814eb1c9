// The plain encoder of requests: exact camelCase keys, compact JSON, optional fields left out.
// UUIDs are upper-case text, dates the shared ISO form. (Responses are the service's to write; tests
// write them with wirecodec/ResponseEncoder.h.)
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

// Compact JSON bytes of any record that has a toJson.
template<typename T>
QByteArray encodeBody(const T& record)
{
    return QJsonDocument(toJson(record)).toJson(QJsonDocument::Compact);
}
