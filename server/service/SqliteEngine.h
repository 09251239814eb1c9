// The SQLite connection behind Database: one file (WAL, full sync) or ":memory:".
#pragma once

#include "Database.h"

struct sqlite3;

class SqliteEngine : public StorageEngine
{
public:
    SqliteEngine() = default;
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    std::optional<QString> open(const QString& path);
    QList<Row> run(const QString& sql, const QVariantList& parameters, qint64* changes) override;
    // Takes the write lock at once, so two writers never both read and then fail to upgrade.
    void begin() override { run(QStringLiteral("BEGIN IMMEDIATE"), {}, nullptr); }

private:
    sqlite3* m_db = nullptr;
};
