// Conversions between the service's records and the domain records.
#pragma once

#include "domain/BoardDetails.h"
#include "domain/Notification.h"
#include "domain/WireRecords.h"

// Unknown status texts become todo; unparseable creation/update times become now; unparseable
// deletion/archive times become absent. The result counts as synchronised.
Item itemFromRemote(const RemoteItem& remote);
// Dates in the shared ISO form; absent optional fields stay absent.
RemoteItem remoteFromItem(const Item& item);
// A cloud board; active when the service says nothing; no items, users or owner yet.
Board boardFromRemote(const RemoteBoard& remote);
BoardDetails boardDetailsFromResponse(const RemoteBoardResponse& response);
NotificationFeed notificationFeedFromResponse(const NotificationFeedResponse& response);
