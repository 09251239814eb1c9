// The store's tables and their version. A new file gets the current schema; a file written by a
// newer version of the program is refused rather than misread.
#pragma once

#include "store/SqliteDatabase.h"

namespace StoreSchema {
inline constexpr int currentVersion = 5;

std::expected<void, StoreError> prepare(SqliteDatabase& db);
}
