#include "store/SqliteDatabase.h"

#include <sqlite3.h>

#include <utility>

SqliteDatabase::SqliteDatabase(sqlite3* db)
    : m_db(db)
{
}

SqliteDatabase::~SqliteDatabase()
{
    // Statements are finalised by their owners first; close_v2 defers if any are left.
    sqlite3_close_v2(m_db);
}

SqliteDatabase::SqliteDatabase(SqliteDatabase&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
{
}

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept
{
    if (this != &other) {
        sqlite3_close_v2(m_db);
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

std::expected<SqliteDatabase, StoreError> SqliteDatabase::open(const QString& fileName, int busyTimeoutMs)
{
    auto opened = connect(fileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    if (!opened)
        return std::unexpected(opened.error());
    SqliteDatabase db = std::move(*opened);
    sqlite3* handle = db.m_db;
    sqlite3_busy_timeout(handle, busyTimeoutMs);

    // journal_mode answers with the mode in effect; anything but wal means the file is unusable
    // for us (for example a read-only medium), and we would rather say so than run without it.
    // A folder or disk that cannot take the log already fails here; say which file it was.
    const auto naming = [&fileName](const StoreError& error) {
        return StoreError {QStringLiteral("%1 (%2)").arg(error.message, fileName)};
    };
    auto mode = db.prepare(QStringLiteral("PRAGMA journal_mode=WAL"));
    if (!mode)
        return std::unexpected(naming(mode.error()));
    if (mode->step() != SqliteStatement::Step::row)
        return std::unexpected(
            naming(db.error(QStringLiteral("Could not switch the store to write-ahead logging"))));
    if (mode->text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return std::unexpected(StoreError { QStringLiteral("The store %1 cannot use write-ahead logging (journal mode %2)")
                                                .arg(fileName, mode->text(0)) });
    mode = SqliteStatement();
    if (auto done = db.execute(QStringLiteral("PRAGMA synchronous=FULL")); !done)
        return std::unexpected(naming(done.error()));
    // A sync may write 100,000 items in one transaction. With the default 2 MB page cache the
    // random-id index outgrows it: dirty pages spill to the log mid-transaction and are written
    // again each time an insert touches them, so the writes grew faster than the items. A larger
    // cache keeps a big transaction's pages in memory until its commit writes each once.
    if (auto done = db.execute(QStringLiteral("PRAGMA cache_size=-%1").arg(storePageCacheKiB)); !done)
        return std::unexpected(naming(done.error()));
    // Each insert keeps a statement journal (its trigger writes a second table, so a failure must
    // undo both). Within a large transaction the journal outgrows its memory and goes to a temporary
    // file, and from then on every statement writes its pages there: gigabytes for a 100,000-item
    // transaction, none of which ever needs to reach a disk.
    if (auto done = db.execute(QStringLiteral("PRAGMA temp_store=MEMORY")); !done)
        return std::unexpected(naming(done.error()));

    // SQLite quietly opens a file it may not write read-only, and a folder or disk that refuses the
    // log only fails at the first commit: every save of the session would then fail. One real
    // commit (the header's version, rewritten unchanged) proves the store can keep a change.
    const auto cannotWrite = [&fileName](const QString& reason) {
        return StoreError {QStringLiteral("The store %1 cannot be written: %2").arg(fileName, reason)};
    };
    if (sqlite3_db_readonly(handle, "main") == 1)
        return std::unexpected(cannotWrite(QStringLiteral("the file is read-only")));
    const auto version = db.queryInteger(QStringLiteral("PRAGMA user_version"));
    if (!version)
        return std::unexpected(cannotWrite(version.error().message));
    if (auto written = db.execute(QStringLiteral("PRAGMA user_version = %1").arg(*version)); !written)
        return std::unexpected(cannotWrite(written.error().message));
    return db;
}

std::expected<SqliteDatabase, StoreError> SqliteDatabase::openForReading(const QString& fileName)
{
    return connect(fileName, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
}

std::expected<SqliteDatabase, StoreError> SqliteDatabase::connect(const QString& fileName, int flags)
{
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(fileName.toUtf8().constData(), &handle, flags, nullptr);
    SqliteDatabase db(handle);
    if (rc != SQLITE_OK) {
        const QString reason = handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QString::fromUtf8(sqlite3_errstr(rc));
        return std::unexpected(StoreError { QStringLiteral("%1 (%2)").arg(reason, fileName) });
    }
    sqlite3_extended_result_codes(handle, 1);
    return db;
}

std::expected<void, StoreError> SqliteDatabase::execute(const QString& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        StoreError error { QString::fromUtf8(message ? message : sqlite3_errmsg(m_db)) };
        sqlite3_free(message);
        return std::unexpected(error);
    }
    return {};
}

std::expected<SqliteStatement, StoreError> SqliteDatabase::prepare(const QString& sql)
{
    sqlite3_stmt* statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
        != SQLITE_OK)
        return std::unexpected(error(QStringLiteral("Could not prepare a store query")));
    return SqliteStatement(m_db, statement);
}

std::expected<qint64, StoreError> SqliteDatabase::queryInteger(const QString& sql)
{
    auto statement = prepare(sql);
    if (!statement)
        return std::unexpected(statement.error());
    if (statement->step() != SqliteStatement::Step::row)
        return std::unexpected(error(QStringLiteral("Could not read from the store")));
    return statement->integer(0);
}

bool SqliteDatabase::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

qint64 SqliteDatabase::changes() const
{
    return sqlite3_changes64(m_db);
}

StoreError SqliteDatabase::error(const QString& doing) const
{
    return StoreError::of(doing, QString::fromUtf8(sqlite3_errmsg(m_db)));
}
