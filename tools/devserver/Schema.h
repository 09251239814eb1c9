// The devserver's tables: created on start, emptied by the admin reset.
#pragma once

class Database;

namespace Schema {
void create(Database& db);
void clear(Database& db);
}
