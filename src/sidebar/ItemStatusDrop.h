// Dropping a dragged item card on a status tab: the drop is taken whenever it carries an item, and
// the item is then moved to the tab's status on its board by the workspace, which reports the outcome
// (including "already in this status") itself.
#pragma once

#include "domain/ItemStatus.h"
#include "sidebar/ItemTransfer.h"

#include <QList>
#include <optional>

class QMimeData;

struct ItemStatusMove
{
    ItemTransfer item;
    ItemStatus status = ItemStatus::todo;

    friend bool operator==(const ItemStatusMove&, const ItemStatusMove&) = default;
};

// The payloads a drop carries: the item of the mime data, or none when it holds no readable item
// (a payload without "fromBoardId", say).
QList<ItemTransfer> droppedItems(const QMimeData* mimeData);

// The move to start for the first payload, or nothing when there is no payload (the drop is refused).
std::optional<ItemStatusMove> itemDropOnStatusTab(const QList<ItemTransfer>& payloads, ItemStatus tabStatus);
