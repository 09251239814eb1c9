// The PostgreSQL connection behind Database (libpq). Statements keep SQLite's "?" placeholders and
// are sent with "$n" ones; every value travels as text and comes back typed by its column, so Row
// reads the same values from both engines.
#pragma once

#include "Database.h"

#include <QHash>
#include <vector>

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
    // The BEGIN itself waits to go out with the first statement.
    void begin(TransactionStart start) override;
    void finished() override;
    // Sent in one batch with the next statement (a PostgreSQL pipeline): one round trip for all.
    void runLater(const QString& sql, const QVariantList& parameters) override;

    // "?" outside quotes becomes "$1", "$2", ...
    static QByteArray numberedPlaceholders(const QString& sql);

private:
    struct Statement
    {
        QString sql;
        QVariantList parameters;
    };
    struct Prepared
    {
        QByteArray name;
        // Its result's column names, indexed at the first result.
        Row::Columns columns;
    };
    // What a batch came back with: the last statement's result, or the first failure.
    struct Outcome
    {
        pg_result* result = nullptr;
        pg_result* failure = nullptr;
        Row::Columns* columns = nullptr;
        Row::Columns ownColumns;
        void clear();
    };

    // The statement prepared on this connection for this text; null when it is run unprepared, or
    // when preparing it failed (then `failure` holds the error's result).
    Prepared* prepared(const QString& sql, pg_result*& failure);
    Outcome send(const std::vector<Statement>& batch);
    pg_result* receive(std::size_t count, pg_result*& failure);
    [[noreturn]] void fail(Outcome& outcome);
    void reconnect();

    pg_conn* m_conn = nullptr;
    bool m_reading = false;
    QHash<QString, Prepared> m_statements;
    std::vector<Statement> m_later;
    // The transaction's BEGIN is among m_later: the server has seen nothing of it yet.
    bool m_beginLater = false;
    bool m_autocommit = false;
    bool m_reopen = false;
};
