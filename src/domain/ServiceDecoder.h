// The one decoder every service response goes through: snake_case keys are converted to camelCase,
// required keys must be present, non-null and of the right JSON type, Date fields must be strict ISO
// text ("Bad date: …" otherwise). A failure fails the whole response.
#pragma once

#include "domain/WireRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <expected>

// The error is the decoding error's description, e.g. "Bad date: 2024-05-01" or
// "Missing key: latestCheckpoint".
template<typename T>
std::expected<T, QString> decodeServiceResponse(const QByteArray& body);

// The name the transport logs for a record: "SyncResponse", "Array<RemoteBoard>", …
template<typename T>
QString serviceRecordName();

// Explicit instantiations live in ServiceDecoder.cpp for: StartLoginResponse, LoginTokens,
// CurrentUserResponse, RemoteBoard, QList<RemoteBoard>, RemoteBoardResponse, SyncResponse,
// ItemResponse, InvitationResponse, ImproveTextResponse, NotificationFeedResponse.
