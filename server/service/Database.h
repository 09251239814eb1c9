// A thin wrapper over one database connection: SQLite (":memory:" or a file) or PostgreSQL (a
// "postgresql://" URI). Every service keeps its state here and writes SQL both engines accept, with
// "?" placeholders, so the services do not care which engine runs.
// A failing statement raises HttpError 500 "STORAGE_FAILURE" with the driver's text as its detail
// (for the log, never the answer); a conflict that goes away when the
// whole transaction runs again (deadlock, serialization failure, busy database) raises RetryableStorageError.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One result row, read by column name. The rows of one result share one index of its column names
// (a name given twice means its last column), so a large result costs its values only.
class Row
{
public:
    using Columns = std::shared_ptr<const QHash<QString, qsizetype>>;

    Row(Columns columns, QList<QVariant> values)
        : m_columns(std::move(columns))
        , m_values(std::move(values))
    {
    }
    QString text(const QString& column) const { return value(column).toString(); }
    qint64 integer(const QString& column) const { return value(column).toLongLong(); }
    bool isNull(const QString& column) const { return value(column).isNull(); }
    std::optional<QString> optionalText(const QString& column) const;

    // The index of a result's column names, in the order the engine reports them.
    static Columns columns(const QStringList& names);

private:
    const QVariant& value(const QString& column) const;

    Columns m_columns;
    QList<QVariant> m_values;
};

// Not an HttpError, so handlers that turn refusals into pages let it through to the retry.
struct RetryableStorageError : std::exception
{
    explicit RetryableStorageError(QString message)
        : message(std::move(message))
    {
    }
    const char* what() const noexcept override { return "RetryableStorageError"; }
    QString message;
};

// Raised by an engine when a statement would write inside a transaction begun for reading; the
// transaction is rolled back and its work runs again as a writing one (see Database::retrying).
struct WriteNeeded : std::exception
{
    const char* what() const noexcept override { return "WriteNeeded"; }
};

// How a transaction begins. Reading: one consistent snapshot that holds no lock and waits for no
// writer; its first write raises WriteNeeded. Writing: takes what writers need at once.
// Autocommit: no transaction at all, so nothing to begin or commit; each statement reads the latest
// commits on its own. For work that only reads, in statements that each stand alone; its first
// execute, executeLater or transaction raises WriteNeeded.
enum class TransactionStart { Reading, Writing, Autocommit };

// One engine's connection: runs a statement with "?" placeholders.
class StorageEngine
{
public:
    virtual ~StorageEngine() = default;
    virtual QList<Row> run(const QString& sql, const QVariantList& parameters, qint64* changes) = 0;
    // A statement whose outcome nothing reads: it may go out with the next one. Its failure is then
    // the next statement's.
    virtual void runLater(const QString& sql, const QVariantList& parameters)
    {
        run(sql, parameters, nullptr);
    }
    // Starts a transaction (for Autocommit, only the work: no transaction).
    virtual void begin(TransactionStart start) = 0;
    // After the transaction's COMMIT or ROLLBACK, whichever way it ended.
    virtual void finished() { }
};

class Database
{
public:
    enum class Engine { Sqlite, Postgres };

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the database: a "postgresql://" (or "postgres://") URI, else a SQLite file (created when
    // needed) or ":memory:". Returns an error text on failure.
    std::optional<QString> open(const QString& location);
    Engine engine() const { return m_engine; }
    static bool isPostgresLocation(const QString& location);
    // " FOR UPDATE OF table" where rows can be locked; SQLite's write transaction already excludes
    // other writers.
    QString forUpdateOf(const QString& table) const;

    // Runs one statement with positional parameters (?); returns the number of changed rows.
    qint64 execute(const QString& sql, const QVariantList& parameters = {});
    // Inside a transaction, a write whose outcome the work does not read: it may wait to go out with
    // the next statement, and fails the transaction there (at the latest at its commit).
    void executeLater(const QString& sql, const QVariantList& parameters = {});
    QList<Row> query(const QString& sql, const QVariantList& parameters = {});
    std::optional<Row> queryOne(const QString& sql, const QVariantList& parameters = {});
    // Runs the work in one transaction; an exception rolls it back and propagates. A nested call
    // runs in a savepoint of the outer transaction, so services compose.
    void transaction(const std::function<void()>& work);
    bool inTransaction() const { return m_transactionDepth > 0; }
    // Runs the work once the outermost transaction commits; never when it (or the savepoint the
    // call was made in) rolls back. Outside a transaction, at once.
    void afterCommit(std::function<void()> work);
    // True inside a transaction begun for reading: every statement sees one snapshot, so reads
    // agree with each other without a lock.
    bool readsSnapshot() const { return m_transactionDepth > 0 && m_start == TransactionStart::Reading; }
    // Inside a transaction begun for writing: what it locks stays as read until it ends.
    bool writing() const { return m_transactionDepth > 0 && m_start == TransactionStart::Writing; }
    // Work that will write says so before it reads what the write depends on: inside a transaction
    // begun for reading this raises WriteNeeded at once.
    void requireWriting() const;

    // Runs the work as one transaction, running all of it again (a few times, with a short random
    // pause) when the engine reports a conflict that a retry resolves; then HttpError 503. The work
    // must change nothing outside the database, or only what is safe to do again. Begun for reading,
    // work that turns out to write runs once more from the start as a writing transaction.
    void retrying(const std::function<void()>& work, TransactionStart start = TransactionStart::Writing);

private:
    void topTransaction(const std::function<void()>& work, TransactionStart start);
    void autocommitted(const std::function<void()>& work);
    void refuseAutocommitWrite() const;

    QList<Row> run(const QString& sql, const QVariantList& parameters, qint64* changes);

    std::unique_ptr<StorageEngine> m_connection;
    Engine m_engine = Engine::Sqlite;
    int m_transactionDepth = 0;
    std::vector<std::function<void()>> m_afterCommit;
    TransactionStart m_start = TransactionStart::Writing;
    bool m_autocommit = false;
};
