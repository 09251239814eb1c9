// Versioned schema changes of plenko-server's database. schema_version holds the number of the last
// migration applied; each migration runs in one transaction with the version bump, so a failure
// leaves the database as it was.
#pragma once

#include <QString>
#include <optional>

class Database;

namespace Migrations {
int latestVersion();
// Brings the database to the latest version; returns the reason when it cannot.
std::optional<QString> apply(Database& db);
}
