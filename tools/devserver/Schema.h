// The service's tables: created on start, emptied by the devserver's admin reset. plenko-server
// creates them as its first migration, so a change here reaches its databases only through a new
// migration in tools/server/Migrations.cpp.
#pragma once

class Database;

namespace Schema {
void create(Database& db);
void clear(Database& db);
}
