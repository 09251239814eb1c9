// One open SQLite connection. Opening turns on WAL with synchronous=FULL, so a committed save
// survives a crash or power loss and an interrupted one leaves nothing behind.
#pragma once

#include "store/SqliteStatement.h"
#include "store/StoreError.h"

#include <QString>

#include <expected>

struct sqlite3;

// The page cache of a read-write connection, in KiB (see SqliteDatabase::open).
inline constexpr int storePageCacheKiB = 65536;

class SqliteDatabase
{
public:
    static std::expected<SqliteDatabase, StoreError> open(const QString& fileName, int busyTimeoutMs);
    // A second connection to an existing store that only reads, for a thread of its own: it sees the
    // file as of its last commit, and never changes the log's mode or the file.
    static std::expected<SqliteDatabase, StoreError> openForReading(const QString& fileName);

    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(SqliteDatabase&& other) noexcept;
    SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    std::expected<void, StoreError> execute(const QString& sql);
    std::expected<SqliteStatement, StoreError> prepare(const QString& sql);
    std::expected<qint64, StoreError> queryInteger(const QString& sql);

    // The connection itself, for what this class does not wrap (the log's checkpoints).
    sqlite3* handle() const { return m_db; }

    // Whether a transaction is open (SQLite ends one by itself on some failures).
    bool inTransaction() const;

    // Rows changed by the last statement.
    qint64 changes() const;

    // The last error of this connection, prefixed with what was being done.
    StoreError error(const QString& doing) const;

private:
    explicit SqliteDatabase(sqlite3* db);
    // The connection with extended result codes, or the reason it failed naming the file.
    static std::expected<SqliteDatabase, StoreError> connect(const QString& fileName, int flags);

    sqlite3* m_db = nullptr;
};
