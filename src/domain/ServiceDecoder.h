// The one decoder every service response goes through: snake_case keys are converted to camelCase,
// required keys must be present, non-null and of the right JSON type, Date fields must be strict ISO
// text ("Bad date: …" otherwise). A failure fails the whole response.
#pragma once

#include "domain/ItemStatus.h"
#include "domain/WireRecords.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <expected>

// The error is the decoding error's description, e.g. "Bad date: 2024-05-01" or
// "Missing key: latestCheckpoint" (nested keys are named by their path: "newItems[0].boardId").
template<typename T>
std::expected<T, QString> decodeServiceResponse(const QByteArray& body);

// The name the transport logs for a record: "SyncResponse", "Array<RemoteBoard>", …
template<typename T>
QString serviceRecordName();

// Explicit instantiations live in ServiceDecoder.cpp for: StartLoginResponse, LoginTokens,
// CurrentUserResponse, RemoteBoard, QList<RemoteBoard>, RemoteBoardResponse, SyncResponse,
// ItemResponse, InvitationResponse, ImproveTextResponse, NotificationFeedResponse.

// The records that other records embed, read from JSON that is already parsed (for example records
// kept as JSON in the preferences) by the same rules, keys converted from snake case.
std::expected<BoardUser, QString> boardUserFromJson(const QJsonObject& object);
std::expected<User, QString> userFromJson(const QJsonObject& object);
std::expected<RemoteItem, QString> remoteItemFromJson(const QJsonObject& object);
std::expected<RemoteBoard, QString> remoteBoardFromJson(const QJsonObject& object);
// A JSON string; only the three status texts decode, in upper case.
std::expected<ItemStatus, QString> itemStatusFromJson(const QJsonValue& value);
// A JSON string in any letter case; unknown texts become custom roles.
std::expected<BoardRole, QString> boardRoleFromJson(const QJsonValue& value);
