// The service's tables: created on start, emptied by the devserver's admin reset. plenko-server
// creates them as its first migration, so a change here reaches its databases only through a new
// migration in server/plenko-server/Migrations.cpp.
#pragma once

class Database;

namespace Schema {
void create(Database& db);
// Tables added after the first release of plenko-server, which creates them as its third
// migration; the devserver creates them with the others.
void createSessionDetails(Database& db);
// The e-mail key of every account, retired refresh tokens and the counted attempts of the limits:
// plenko-server's fourth migration; the devserver runs it on every start (it changes nothing twice).
void createSecurityRecords(Database& db);
// Keeps one change row per item of a board, its latest, reached through a unique (board, item)
// index: a sync then reads only the rows it answers with. Removes the rows that later changes
// superseded; plenko-server runs it as its fifth migration, the devserver on start.
void keepLatestChangesOnly(Database& db);
// On PostgreSQL, the events of committed changes for the other server processes to read: plenko-server's
// sixth migration, the devserver on start. Nothing on SQLite, which one process serves.
void createEventOutbox(Database& db);
void clear(Database& db);
}
