// Field-by-field conversions between the domain values and the persisted records.
#pragma once

#include "domain/Board.h"
#include "domain/Item.h"
#include "store/LocalBoard.h"
#include "store/LocalItem.h"

#include <memory>

// A new, unregistered record: insert it into a context to store it. Items and members of the
// board are not part of the record; deletedAt starts absent.
std::shared_ptr<LocalBoard> makeLocalBoard(const Board& board);
std::shared_ptr<LocalItem> makeLocalItem(const Item& item);
// The same fields, for rows written without a record (StoreContext::writeBulk).
LocalBoardFields localBoardFields(const Board& board);
LocalItemFields localItemFields(const Item& item);

// No items, users or owner; a soft deletion is not carried.
Board toBoard(const LocalBoard& record);
Item toItem(const LocalItem& record);
Item toItem(const LocalItemFields& fields);
