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

QString upsertBoardSql();
QString upsertItemSql();
// Same bindings as the upserts, for rows known to exist.
QString updateBoardSql();
QString updateItemSql();

void bindBoard(SqliteStatement& statement, const LocalBoardFields& board);
void bindItem(SqliteStatement& statement, const LocalItemFields& item);
LocalBoardFields readBoard(const SqliteStatement& statement);
LocalItemFields readItem(const SqliteStatement& statement);
}
