// How the two record types map onto their tables: column lists and the statements' bindings.
#pragma once

#include "store/LocalBoard.h"
#include "store/LocalItem.h"
#include "store/SqliteStatement.h"

namespace StoreRows {
// Selected and written in this order.
inline constexpr char boardColumns[]
    = "id, name, createdAt, syncWithServer, updatedAt, deletedAt, createdBy, info, isActive, revision";
inline constexpr char itemColumns[] = "id, content, status, boardId, createdBy, assignee, author, createdAt, "
                                      "\"order\", updatedAt, deletedAt, archivedAt, revision, didSync";
inline constexpr int itemColumnCount = 14;
// Each statement in a transaction keeps an undo copy of every page it touches (its trigger writes
// a second table), so one statement per row copied the same pages again for every row. Items are
// written this many to a statement.
inline constexpr int itemsPerUpsert = 32;

QString upsertBoardSql();
// Writes `rows` items, bound with bindItem's `row` from 0 to rows - 1.
QString upsertItemsSql(int rows);
// Same bindings as the upsert, for a board known to exist.
QString updateBoardSql();

void bindBoard(SqliteStatement& statement, const LocalBoardFields& board);
void bindItem(SqliteStatement& statement, const LocalItemFields& item, int row = 0);
LocalBoardFields readBoard(const SqliteStatement& statement);
LocalItemFields readItem(const SqliteStatement& statement);
}
