#include "Migrations.h"

#include "Database.h"
#include "EmailAddress.h"
#include "HttpError.h"
#include "Schema.h"

#include <functional>
#include <vector>

namespace {

// Any fixed number; only plenko-server's migrations take this advisory lock.
constexpr qint64 advisoryLock = 0x706c656e6b6f;

void accountsWithPasswords(Database& db)
{
    db.execute(QStringLiteral("CREATE TABLE account_passwords (user_id TEXT PRIMARY KEY"
                              " REFERENCES accounts(id) ON DELETE CASCADE, hash TEXT NOT NULL)"));
    // E-mail addresses allowed to create an account when sign-up is by invitation, compared without case.
    if (db.engine() == Database::Engine::Postgres) {
        db.execute(QStringLiteral("CREATE TABLE signup_invitations (email TEXT NOT NULL,"
                                  " created_at TEXT NOT NULL, used_at TEXT)"));
        db.execute(QStringLiteral("CREATE UNIQUE INDEX signup_invitations_email ON signup_invitations"
                                  " (lower(email))"));
    } else {
        db.execute(QStringLiteral("CREATE TABLE signup_invitations (email TEXT PRIMARY KEY COLLATE NOCASE,"
                                  " created_at TEXT NOT NULL, used_at TEXT)"));
    }
    // One row per failed sign-in, under "account:<e-mail>" and under "address:<peer>".
    db.execute(QStringLiteral("CREATE TABLE sign_in_failures (subject TEXT NOT NULL, at BIGINT NOT NULL)"));
    db.execute(QStringLiteral("CREATE INDEX sign_in_failures_subject ON sign_in_failures (subject, at)"));
}

void sessionDetailsAndSignUpLimit(Database& db)
{
    Schema::createSessionDetails(db);
    // One row per sign-up attempt, by the client's address, for the per-address limit.
    db.execute(QStringLiteral("CREATE TABLE sign_up_attempts (address TEXT NOT NULL, at BIGINT NOT NULL)"));
    db.execute(QStringLiteral("CREATE INDEX sign_up_attempts_address ON sign_up_attempts (address, at)"));
}

// Accounts and invitations are found by the key of their e-mail (EmailAddress::key) instead of
// the engines' own case rules; refresh-token reuse and the new limits get their tables.
void emailKeysAndAbuseLimits(Database& db)
{
    Schema::createSecurityRecords(db);
    if (db.engine() == Database::Engine::Postgres) {
        db.execute(QStringLiteral("DROP INDEX signup_invitations_email"));
        db.execute(
            QStringLiteral("CREATE UNIQUE INDEX signup_invitations_key ON signup_invitations (email)"));
    }
    const QList<Row> invitations
        = db.query(QStringLiteral("SELECT email, created_at, used_at FROM signup_invitations"));
    db.execute(QStringLiteral("DELETE FROM signup_invitations"));
    for (const Row& row : invitations)
        db.execute(
            QStringLiteral("INSERT INTO signup_invitations (email, created_at, used_at) VALUES (?, ?, ?)"
                           " ON CONFLICT DO NOTHING"),
            {EmailAddress::key(row.text("email")), row.text("created_at"),
                row.isNull("used_at") ? QVariant() : QVariant(row.text("used_at"))});
}

// Index i holds migration i + 1. Append only: a released migration never changes. Write SQL that
// both SQLite and PostgreSQL accept; branch on db.engine() only where they cannot agree.
const std::vector<std::function<void(Database&)>>& migrations()
{
    static const std::vector<std::function<void(Database&)>> all {
        // The tables the contract's services keep (the same the devserver creates).
        [](Database& db) { Schema::create(db); },
        accountsWithPasswords,
        sessionDetailsAndSignUpLimit,
        emailKeysAndAbuseLimits,
        Schema::keepLatestChangesOnly,
        Schema::createEventOutbox,
    };
    return all;
}

} // namespace

int Migrations::latestVersion()
{
    return int(migrations().size());
}

std::optional<QString> Migrations::apply(Database& db)
{
    const bool postgres = db.engine() == Database::Engine::Postgres;
    try {
        // Several servers may start at once on one PostgreSQL database: one migrates, the others
        // wait and then find nothing left to do. (SQLite's write transactions already take turns.)
        if (postgres)
            db.query(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(advisoryLock));
        db.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
        db.transaction([&db] {
            if (!db.queryOne(QStringLiteral("SELECT version FROM schema_version")))
                db.execute(QStringLiteral("INSERT INTO schema_version (version) VALUES (0)"));
        });
        const qint64 current
            = db.queryOne(QStringLiteral("SELECT version FROM schema_version"))->integer("version");
        if (current > latestVersion())
            return QStringLiteral("the database is at schema version %1, newer than this plenko-server knows "
                                  "(%2); use a newer plenko-server.")
                .arg(current)
                .arg(latestVersion());
        for (qint64 version = current + 1; version <= latestVersion(); ++version) {
            db.transaction([&db, version] {
                migrations().at(std::size_t(version - 1))(db);
                db.execute(QStringLiteral("UPDATE schema_version SET version = ?"), {version});
            });
        }
    } catch (const HttpError& error) {
        return error.logText();
    } catch (const RetryableStorageError& error) {
        return error.message;
    }
    // Ending the connection also drops the lock, so an error above cannot keep it held.
    if (postgres)
        db.query(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(advisoryLock));
    return std::nullopt;
}
