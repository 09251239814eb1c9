// Reading a sync answer for what the user would lose: the versions the service did not take, and
// whether an answer's copy of an item is what this computer sent.
#pragma once

#include "domain/Item.h"
#include "domain/RemoteItem.h"
#include "domain/WireRecords.h"

#include <QList>
#include <optional>

// True when both carry the same text, column, order, assignee, board and archive state: what the
// user can see of an item. Revisions, times and authors are the service's bookkeeping.
bool sameUserContent(const RemoteItem& a, const RemoteItem& b);

// The service's last copy of an item in the answer (modified items come after new ones).
std::optional<RemoteItem> answeredCopy(const SyncResponse& response, const QUuid& itemId);

struct RefusedVersions
{
    // Sent versions the service answered with a different copy of: the item stays, as the service has it.
    QList<Item> replaced;
    // Sent versions the service took nothing of and has no copy of (a new item it refused).
    QList<Item> refused;
};

// The sent items listed as conflicted, except deletions (nothing of the user's text is lost there)
// and those the answer deletes (the deletion keeps its own copy of a pending change).
RefusedVersions refusedVersions(const QList<RemoteItem>& sent, const SyncResponse& response);
