// The service's side of the wire, for tests, benchmarks and fuzzing: the response records and the
// records embedded in them written as the service writes them (camelCase keys, optional fields left
// out), so that a scripted server can answer with them and a decoded response can be written back.
#pragma once

#include "domain/BoardRole.h"
#include "domain/WireEncoder.h"

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
