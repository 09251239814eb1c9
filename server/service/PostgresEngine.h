// The PostgreSQL connection behind Database (libpq). Statements keep SQLite's "?" placeholders and
// are sent with "$n" ones; every value travels as text and comes back typed by its column, so Row
// reads the same values from both engines.
#pragma once

#include "Database.h"

struct pg_conn;

class PostgresEngine : public StorageEngine
{
public:
    PostgresEngine() = default;
    ~PostgresEngine() override;
    PostgresEngine(const PostgresEngine&) = delete;
    PostgresEngine& operator=(const PostgresEngine&) = delete;

    std::optional<QString> open(const QString& uri);
    QList<Row> run(const QString& sql, const QVariantList& parameters, qint64* changes) override;
    // Read committed: writers of one board queue on its row lock (SELECT ... FOR UPDATE), and
    // deadlocks come back as retryable conflicts. A connection the server has lost (a restart of
    // PostgreSQL, an idle timeout) is opened again here, where no transaction can be cut in half.
    void begin() override;

    // "?" outside quotes becomes "$1", "$2", ...
    static QByteArray numberedPlaceholders(const QString& sql);

private:
    pg_conn* m_conn = nullptr;
};
