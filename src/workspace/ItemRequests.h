// The service requests that carry an item change: the whole item for an addition, and for every
// other change only the fields that differ from the copy the user started from, plus its revision.
#pragma once

#include "domain/Item.h"
#include "domain/WireRecords.h"

UpsertItemRequest upsertItemRequest(const Item& item);

// Fields equal in both are left out; a cleared assignee or archive date is sent as null. The
// revision is the edited item's: the one the user saw when making the change.
UpdateItemRequest updateItemRequest(const Item& before, const Item& after);

// Whether the request changes anything besides its revision.
bool changesSomething(const UpdateItemRequest& request);
