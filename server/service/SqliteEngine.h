// The SQLite connection behind Database: one file (WAL, synchronous=NORMAL; see docs/server.md) or
// ":memory:". Statements stay compiled between uses, keyed by their text.
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
    sqlite3_stmt* prepared(const QString& sql);

    sqlite3* m_db = nullptr;
    bool m_reading = false;
    // Shared by every connection of this process to the same file; empty for ":memory:".
    std::shared_ptr<std::mutex> m_writers;
    std::unique_lock<std::mutex> m_writing;
    QHash<QString, sqlite3_stmt*> m_statements;
};
