// The SQLite connection behind Database: one file (WAL, synchronous=NORMAL; see docs/server.md) or
// ":memory:". Statements stay compiled between uses, keyed by their text. A connection is used by one
// thread at a time (each worker has its own), so SQLite's own per-call locking is left out.
#pragma once

#include "Database.h"

#include <QHash>
#include <memory>
#include <mutex>

struct sqlite3;
struct sqlite3_stmt;

class SqliteEngine : public StorageEngine
{
public:
    SqliteEngine() = default;
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    std::optional<QString> open(const QString& path);
    QList<Row> run(const QString& sql, const QVariantList& parameters, qint64* changes) override;
    // Writing takes the write lock at once, so two writers never both read and then fail to
    // upgrade; reading (deferred) reads one WAL snapshot beside the writer. The writers of one
    // process queue for the file first: SQLite's busy handler would have them sleep and poll
    // instead, up to 100 ms at a time, long after the lock is free.
    void begin(TransactionStart start) override;
    void finished() override;

private:
    // A statement compiled once, with the index of its result's column names.
    struct Compiled
    {
        sqlite3_stmt* statement = nullptr;
        Row::Columns columns;
        bool cached = false;
    };

    Compiled prepared(const QString& sql);

    sqlite3* m_db = nullptr;
    bool m_reading = false;
    // Shared by every connection of this process to the same file; empty for ":memory:".
    std::shared_ptr<std::mutex> m_writers;
    std::unique_lock<std::mutex> m_writing;
    QHash<QString, Compiled> m_statements;
};
