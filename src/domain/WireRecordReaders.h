// How each record that the service sends is read from its JSON object: which keys are required,
// which optional, and of what type. Used by the service decoder and by the embedded-record readers.
#pragma once

#include "domain/ItemStatus.h"
#include "domain/JsonRecordReader.h"
#include "domain/WireRecords.h"

BoardRole readBoardRole(JsonRecordReader& reader, const QString& key);
BoardUser readBoardUser(JsonRecordReader& reader);
User readUser(JsonRecordReader& reader);
RemoteItem readRemoteItem(JsonRecordReader& reader);
RemoteBoard readRemoteBoard(JsonRecordReader& reader);

StartLoginResponse readStartLoginResponse(JsonRecordReader& reader);
LoginTokens readLoginTokens(JsonRecordReader& reader);
CurrentUserResponse readCurrentUserResponse(JsonRecordReader& reader);
RemoteBoardResponse readRemoteBoardResponse(JsonRecordReader& reader);
SyncResponse readSyncResponse(JsonRecordReader& reader);
ItemResponse readItemResponse(JsonRecordReader& reader);
InvitationResponse readInvitationResponse(JsonRecordReader& reader);
ImproveTextResponse readImproveTextResponse(JsonRecordReader& reader);
RemoteNotificationResponse readRemoteNotificationResponse(JsonRecordReader& reader);
NotificationFeedResponse readNotificationFeedResponse(JsonRecordReader& reader);
