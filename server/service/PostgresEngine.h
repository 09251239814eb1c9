// The PostgreSQL connection behind Database (libpq). Statements keep SQLite's "?" placeholders and
// are sent with "$n" ones; every value travels as text and comes back typed by its column, so Row
// reads the same values from both engines.
#pragma once

#include "Database.h"

#include <QHash>

struct pg_conn;
struct pg_result;

class PostgresEngine : public StorageEngine
{
public:
    PostgresEngine() = default;
    ~PostgresEngine() override;
    PostgresEngine(const PostgresEngine&) = delete;
    PostgresEngine& operator=(const PostgresEngine&) = delete;

    std::optional<QString> open(const QString& uri);
    QList<Row> run(const QString& sql, const QVariantList& parameters, qint64* changes) override;
    // Writing: read committed; writers of one board queue on its row lock (SELECT ... FOR UPDATE),
    // and deadlocks come back as retryable conflicts. Reading: repeatable read, read only, so every
    // statement sees the same snapshot and none waits for a lock. A connection the server has lost
    // (a restart of PostgreSQL, an idle timeout) is opened again here, where no transaction can be
    // cut in half.
    void begin(TransactionStart start) override;

    // "?" outside quotes becomes "$1", "$2", ...
    static QByteArray numberedPlaceholders(const QString& sql);

private:
    // The name of the statement prepared on this connection for this text; empty when it is run
    // unprepared, or when preparing it failed (then `failure` holds the error's result).
    QByteArray prepared(const QString& sql, pg_result*& failure);

    pg_conn* m_conn = nullptr;
    bool m_reading = false;
    QHash<QString, QByteArray> m_statements;
};
