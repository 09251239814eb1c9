#include "store/StoreSchema.h"

namespace {
// Dates are milliseconds since the epoch (UTC); ids are upper-case hyphenated text; statuses are
// their text values. There are no foreign keys: an item names its board by id only.
const char* const schemaVersion1 = R"sql(
CREATE TABLE local_board (
    id TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL,
    createdAt INTEGER,
    syncWithServer INTEGER NOT NULL DEFAULT 0,
    updatedAt INTEGER,
    deletedAt INTEGER,
    createdBy TEXT NOT NULL DEFAULT 'n/a',
    info TEXT,
    isActive INTEGER NOT NULL DEFAULT 1,
    revision INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE local_item (
    id TEXT NOT NULL UNIQUE,
    content TEXT NOT NULL,
    status TEXT NOT NULL,
    boardId TEXT NOT NULL,
    createdBy TEXT NOT NULL,
    assignee TEXT,
    author TEXT,
    createdAt INTEGER,
    "order" INTEGER NOT NULL,
    updatedAt INTEGER,
    deletedAt INTEGER,
    archivedAt INTEGER,
    revision INTEGER NOT NULL DEFAULT 0,
    didSync INTEGER NOT NULL DEFAULT 0
);
-- Every item query names a board; the unsynced query also names didSync.
CREATE INDEX local_item_board ON local_item (boardId, didSync);
PRAGMA user_version = 1;
)sql";

// The user's versions of items that the service replaced or refused. Written at once, apart from
// the board and item records, and never deleted by a sync.
const char* const schemaVersion2 = R"sql(
CREATE TABLE conflict_copy (
    id TEXT NOT NULL UNIQUE,
    itemId TEXT NOT NULL,
    boardId TEXT NOT NULL,
    boardName TEXT NOT NULL DEFAULT '',
    content TEXT NOT NULL,
    status TEXT NOT NULL,
    assignee TEXT,
    createdBy TEXT,
    "order" INTEGER NOT NULL DEFAULT 0,
    savedAt INTEGER,
    reason TEXT NOT NULL
);
-- Board descriptions the service has not accepted yet; sent again with the board's next sync.
CREATE TABLE pending_board_info (
    boardId TEXT NOT NULL UNIQUE,
    info TEXT NOT NULL
);
PRAGMA user_version = 2;
)sql";

// Undeleted items per board and status, kept by triggers on every write (this program's or
// another's), so the sidebar and the overview can show every board's tallies without reading the
// items. An upsert that hits an existing row runs as an UPDATE, so the update trigger covers it.
const char* const schemaVersion3 = R"sql(
CREATE TABLE item_tally (
    boardId TEXT NOT NULL,
    status TEXT NOT NULL,
    count INTEGER NOT NULL,
    PRIMARY KEY (boardId, status)
) WITHOUT ROWID;
CREATE TRIGGER item_tally_insert AFTER INSERT ON local_item WHEN NEW.deletedAt IS NULL
BEGIN
    INSERT INTO item_tally (boardId, status, count) VALUES (NEW.boardId, NEW.status, 1)
        ON CONFLICT (boardId, status) DO UPDATE SET count = count + 1;
END;
CREATE TRIGGER item_tally_delete AFTER DELETE ON local_item WHEN OLD.deletedAt IS NULL
BEGIN
    UPDATE item_tally SET count = count - 1 WHERE boardId = OLD.boardId AND status = OLD.status;
END;
CREATE TRIGGER item_tally_update AFTER UPDATE OF boardId, status, deletedAt ON local_item
BEGIN
    UPDATE item_tally SET count = count - 1
        WHERE OLD.deletedAt IS NULL AND boardId = OLD.boardId AND status = OLD.status;
    INSERT INTO item_tally (boardId, status, count) SELECT NEW.boardId, NEW.status, 1 WHERE NEW.deletedAt IS NULL
        ON CONFLICT (boardId, status) DO UPDATE SET count = count + 1;
END;
INSERT INTO item_tally (boardId, status, count)
    SELECT boardId, status, COUNT(*) FROM local_item WHERE deletedAt IS NULL GROUP BY boardId, status;
PRAGMA user_version = 3;
)sql";

// A board's columns as the list shows them: undeleted items by status, live before archived, by
// order. A large board's first page and its counts are read from it without visiting every row.
const char* const schemaVersion4 = R"sql(
CREATE INDEX local_item_column ON local_item (boardId, status, archivedAt IS NOT NULL, "order")
    WHERE deletedAt IS NULL;
PRAGMA user_version = 4;
)sql";

// Items the user deleted from local boards, kept for 30 days so they can be put back. Written at
// once, apart from the item records, like conflict copies.
const char* const schemaVersion5 = R"sql(
CREATE TABLE trashed_item (
    id TEXT NOT NULL UNIQUE,
    boardId TEXT NOT NULL,
    content TEXT NOT NULL,
    status TEXT NOT NULL,
    createdBy TEXT NOT NULL,
    assignee TEXT,
    author TEXT,
    createdAt INTEGER,
    "order" INTEGER NOT NULL,
    archivedAt INTEGER,
    deletedAt INTEGER NOT NULL
);
CREATE INDEX trashed_item_board ON trashed_item (boardId, deletedAt);
PRAGMA user_version = 5;
)sql";
}

std::expected<void, StoreError> StoreSchema::prepare(SqliteDatabase& db)
{
    auto fail = [&db](const StoreError& error) {
        (void)db.execute(QStringLiteral("ROLLBACK"));
        return std::unexpected(StoreError { QStringLiteral("Could not prepare the store's tables: %1").arg(error.message) });
    };
    // The version is read inside a write transaction, so two processes opening a new file at
    // once cannot both create the tables.
    if (auto begun = db.execute(QStringLiteral("BEGIN IMMEDIATE")); !begun)
        return fail(begun.error());
    const auto version = db.queryInteger(QStringLiteral("PRAGMA user_version"));
    if (!version)
        return fail(version.error());
    if (*version > currentVersion)
        return fail(StoreError { QStringLiteral("it was written by a newer version of Plenko (schema %1, this version reads up to %2)")
                                     .arg(*version)
                                     .arg(currentVersion) });
    if (*version == 0) {
        if (auto created = db.execute(QString::fromUtf8(schemaVersion1)); !created)
            return fail(created.error());
    }
    if (*version < 2) {
        if (auto migrated = db.execute(QString::fromUtf8(schemaVersion2)); !migrated)
            return fail(migrated.error());
    }
    if (*version < 3) {
        if (auto migrated = db.execute(QString::fromUtf8(schemaVersion3)); !migrated)
            return fail(migrated.error());
    }
    if (*version < 4) {
        if (auto migrated = db.execute(QString::fromUtf8(schemaVersion4)); !migrated)
            return fail(migrated.error());
    }
    if (*version < 5) {
        if (auto migrated = db.execute(QString::fromUtf8(schemaVersion5)); !migrated)
            return fail(migrated.error());
    }
    if (auto committed = db.execute(QStringLiteral("COMMIT")); !committed)
        return fail(committed.error());
    return {};
}
