#include "Schema.h"

#include "Database.h"
#include "EmailAddress.h"

#include <QSet>
#include <QStringList>
#include <cstdio>

namespace {

// Dates that travel on the wire are stored as their wire text (UTC, "Z", whole seconds), which
// also sorts correctly; expiry moments are stored as epoch seconds.
// Written for both engines: BIGINT (an INTEGER in SQLite, 64 bits in PostgreSQL). What differs is
// in sqliteTables and postgresTables below.
const char* const tables[] = {
    "CREATE TABLE IF NOT EXISTS sessions (id TEXT PRIMARY KEY, user_id TEXT NOT NULL REFERENCES accounts(id),"
    " refresh_token TEXT NOT NULL UNIQUE)",
    "CREATE TABLE IF NOT EXISTS access_tokens (token TEXT PRIMARY KEY, session_id TEXT NOT NULL"
    " REFERENCES sessions(id) ON DELETE CASCADE, user_id TEXT NOT NULL, expires_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS login_nonces (nonce TEXT PRIMARY KEY, created_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS login_tokens (ott TEXT PRIMARY KEY, nonce TEXT NOT NULL, user_id TEXT NOT "
    "NULL,"
    " expires_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS boards (id TEXT PRIMARY KEY, name TEXT NOT NULL, info TEXT,"
    " active BIGINT NOT NULL DEFAULT 1, created_at TEXT NOT NULL, updated_at TEXT NOT NULL,"
    " created_by TEXT NOT NULL, revision BIGINT NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS members (board_id TEXT NOT NULL REFERENCES boards(id) ON DELETE CASCADE,"
    " user_id TEXT NOT NULL REFERENCES accounts(id), role TEXT NOT NULL, granted_at TEXT NOT NULL,"
    " PRIMARY KEY (board_id, user_id))",
    "CREATE TABLE IF NOT EXISTS invitations (code TEXT PRIMARY KEY, board_id TEXT NOT NULL"
    " REFERENCES boards(id) ON DELETE CASCADE, created_by TEXT NOT NULL, expires_at BIGINT NOT NULL,"
    " used_by TEXT)",
    // added_seq: the board change that brought the item to its current board (new vs modified).
    "CREATE TABLE IF NOT EXISTS items (id TEXT PRIMARY KEY, board_id TEXT NOT NULL"
    " REFERENCES boards(id) ON DELETE CASCADE, content TEXT NOT NULL, status TEXT NOT NULL,"
    " sort_order BIGINT NOT NULL, created_by TEXT NOT NULL, assignee TEXT, author TEXT,"
    " created_at TEXT NOT NULL, updated_at TEXT NOT NULL, deleted_at TEXT, archived_at TEXT,"
    " revision BIGINT NOT NULL, added_seq BIGINT NOT NULL)",
    // The latest change of each item of a board (see keepLatestChangesOnly); seq is the board
    // revision that change produced.
    "CREATE TABLE IF NOT EXISTS changes (board_id TEXT NOT NULL REFERENCES boards(id) ON DELETE CASCADE,"
    " seq BIGINT NOT NULL, item_id TEXT NOT NULL, kind TEXT NOT NULL, PRIMARY KEY (board_id, seq))",
    "CREATE TABLE IF NOT EXISTS notifications (id TEXT PRIMARY KEY, user_id TEXT NOT NULL, type TEXT NOT "
    "NULL,"
    " board_id TEXT, item_id TEXT, actor_id TEXT, actor_display_name TEXT, created_at TEXT NOT NULL,"
    " read_at TEXT)",
};

// Per session: when it began and was last used, and from where (the address may be missing for
// sessions made before this table existed).
const char* const sessionDetails
    = "CREATE TABLE IF NOT EXISTS session_details (session_id TEXT PRIMARY KEY REFERENCES sessions(id)"
      " ON DELETE CASCADE, created_at TEXT NOT NULL, last_used_at TEXT NOT NULL, client_address TEXT,"
      " client_agent TEXT)";

// Children first, so foreign keys never block the reset.
const char* const clearOrder[] = {"attempts", "retired_refresh_tokens", "session_details", "feedback",
    "notifications", "changes", "items", "invitations", "members", "boards", "login_tokens", "login_nonces",
    "access_tokens", "sessions", "accounts"};

// Case-insensitive e-mails, an increasing feedback id, and the insertion order that lists of boards,
// members and notifications fall back on. PostgreSQL has no implicit rowid: an identity column of
// that name keeps the same queries working.
const char* const sqliteTables[] = {
    "CREATE TABLE IF NOT EXISTS accounts (id TEXT PRIMARY KEY, email TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    " display_name TEXT, last_login_at TEXT, updated_at TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS feedback (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id TEXT NOT NULL,"
    " text TEXT NOT NULL, created_at TEXT NOT NULL)",
};
const char* const postgresTables[] = {
    "CREATE TABLE IF NOT EXISTS accounts (id TEXT PRIMARY KEY, email TEXT NOT NULL,"
    " display_name TEXT, last_login_at TEXT, updated_at TEXT NOT NULL)",
    "CREATE UNIQUE INDEX IF NOT EXISTS accounts_email ON accounts (lower(email))",
    "CREATE TABLE IF NOT EXISTS feedback (id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " user_id TEXT NOT NULL, text TEXT NOT NULL, created_at TEXT NOT NULL)",
};
const char* const postgresRowids[] = {"boards", "members", "notifications"};

// A refresh token replaced by rotation stays here while its session lives: presenting it again
// means someone else holds the session (a stolen token), and the whole session ends.
// attempts: one row per counted attempt of a limit ("nonce:<address>", "join:<account>", ...).
const char* const securityTables[] = {
    "CREATE TABLE IF NOT EXISTS retired_refresh_tokens (token TEXT PRIMARY KEY, session_id TEXT NOT NULL"
    " REFERENCES sessions(id) ON DELETE CASCADE)",
    "CREATE INDEX IF NOT EXISTS retired_refresh_tokens_session ON retired_refresh_tokens (session_id)",
    "CREATE TABLE IF NOT EXISTS attempts (subject TEXT NOT NULL, at BIGINT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS attempts_subject ON attempts (subject, at)",
};

bool hasColumn(Database& db, const QString& table, const QString& column)
{
    if (db.engine() == Database::Engine::Postgres)
        return db
            .queryOne(QStringLiteral("SELECT 1 AS one FROM information_schema.columns WHERE table_schema ="
                                     " current_schema() AND table_name = ? AND column_name = ?"),
                {table, column})
            .has_value();
    return db
        .queryOne(QStringLiteral("SELECT 1 AS one FROM pragma_table_info(?) WHERE name = ?"), {table, column})
        .has_value();
}

// Every account gets the key of its e-mail. Two accounts whose e-mails differ only in a way the
// key ignores cannot both have it: the older keeps it, the newer is left without one (and cannot
// be found by e-mail until an operator resolves it) rather than being merged or removed.
void fillEmailKeys(Database& db)
{
    QSet<QString> taken;
    for (const Row& row :
        db.query(QStringLiteral("SELECT id, email FROM accounts ORDER BY updated_at, id"))) {
        const QString key = EmailAddress::key(row.text("email"));
        if (taken.contains(key)) {
            std::fprintf(stderr, "An account shares its e-mail key with an older one and keeps none: %s\n",
                qPrintable(row.text("id")));
            continue;
        }
        taken.insert(key);
        db.execute(QStringLiteral("UPDATE accounts SET email_key = ? WHERE id = ?"), {key, row.text("id")});
    }
}

} // namespace

void Schema::create(Database& db)
{
    const bool postgres = db.engine() == Database::Engine::Postgres;
    db.transaction([&db, postgres] {
        if (postgres) {
            for (const char* statement : postgresTables)
                db.execute(QString::fromLatin1(statement));
        } else {
            for (const char* statement : sqliteTables)
                db.execute(QString::fromLatin1(statement));
        }
        for (const char* statement : tables)
            db.execute(QString::fromLatin1(statement));
        if (postgres) {
            for (const char* table : postgresRowids)
                db.execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS rowid BIGINT"
                                          " GENERATED ALWAYS AS IDENTITY")
                               .arg(QLatin1String(table)));
        }
    });
}

void Schema::createSessionDetails(Database& db)
{
    db.execute(QString::fromLatin1(sessionDetails));
}

void Schema::createSecurityRecords(Database& db)
{
    db.transaction([&db] {
        if (!hasColumn(db, QStringLiteral("accounts"), QStringLiteral("email_key"))) {
            db.execute(QStringLiteral("ALTER TABLE accounts ADD COLUMN email_key TEXT"));
            fillEmailKeys(db);
        }
        db.execute(
            QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS accounts_email_key ON accounts (email_key)"));
        // The key decides which e-mails are one; lower() under a UTF-8 locale would also call
        // "KİM" and "kim" one and refuse the second account with a storage failure. (SQLite's
        // NOCASE folds only ASCII, which the key folds alike.)
        if (db.engine() == Database::Engine::Postgres)
            db.execute(QStringLiteral("DROP INDEX IF EXISTS accounts_email"));
        for (const char* statement : securityTables)
            db.execute(QString::fromLatin1(statement));
    });
}

void Schema::keepLatestChangesOnly(Database& db)
{
    // Only the latest change of an item is ever read: the earlier rows of the same item go before
    // the index makes (board, item) unique. The passing index keeps that clean-up from comparing
    // every row with every other.
    db.execute(QStringLiteral(
        "CREATE INDEX IF NOT EXISTS changes_board_item_seq ON changes (board_id, item_id, seq)"));
    db.execute(QStringLiteral("DELETE FROM changes WHERE EXISTS (SELECT 1 FROM changes later"
                              " WHERE later.board_id = changes.board_id AND later.item_id = changes.item_id"
                              " AND later.seq > changes.seq)"));
    db.execute(QStringLiteral("DROP INDEX changes_board_item_seq"));
    db.execute(QStringLiteral(
        "CREATE UNIQUE INDEX IF NOT EXISTS changes_board_item ON changes (board_id, item_id)"));
}

void Schema::createEventOutbox(Database& db)
{
    if (db.engine() != Database::Engine::Postgres)
        return;
    // xid: the writing transaction's id, which is what lets a reader find a row that took its number
    // before a later one but committed after it (see PostgresEventRelay).
    db.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS event_outbox (seq BIGINT GENERATED ALWAYS AS"
                              " IDENTITY PRIMARY KEY, xid xid8 NOT NULL DEFAULT pg_current_xact_id(),"
                              " payload TEXT NOT NULL, created_at TIMESTAMPTZ NOT NULL DEFAULT clock_timestamp())"));
    db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS event_outbox_xid ON event_outbox (xid)"));
}

void Schema::clear(Database& db)
{
    db.transaction([&db] {
        for (const char* table : clearOrder)
            db.execute(QStringLiteral("DELETE FROM ") + QLatin1String(table));
    });
}
