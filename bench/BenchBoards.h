// Synthetic boards and items for the benchmarks: realistic item texts (markdown, a date, a mention),
// the three statuses, some archived items and assignees, stored through the application's own store.
#pragma once

#include "domain/Board.h"
#include "domain/RemoteItem.h"
#include "domain/WireRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

class StoreContext;

namespace BenchBoards {
// Four member ids that items are assigned to in turn (every third item has no assignee).
QList<QUuid> members();

// A local board named "Board n" with no items.
Board localBoard(int index);

// The cloud board "Team" with the id, no items.
Board cloudBoard(const QUuid& id);

// The service's answer to a request for the cloud board's details: its owner the only member.
QByteArray boardDetailsBody(const QUuid& boardId);

// The service's answer to a first sync of the board: `count` new items, the checkpoint at `count`.
SyncResponse syncAnswer(const QUuid& boardId, int count);

// Item number index of a board: about 150 characters, status and archive state spread evenly.
Item item(const QUuid& boardId, int index);

// The same item as the service sends it.
RemoteItem remoteItem(const QUuid& boardId, int index);

// Fills the store with boardCount local boards holding itemCount items in all: the first board holds
// firstBoardItems of them, the others share the rest evenly. Saved in one transaction. Returns the
// boards in order, with their items; fails hard when the store refuses the data.
QList<Board> fill(StoreContext& store, int boardCount, int itemCount, int firstBoardItems);
}
