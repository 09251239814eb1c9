#include "Database.h"

#include "HttpError.h"
#include "PostgresEngine.h"
#include "SqliteEngine.h"

#include <QRandomGenerator>
#include <QThread>
#include <utility>

namespace {

constexpr int retryAttempts = 8;

} // namespace

std::optional<QString> Row::optionalText(const QString& column) const
{
    const QVariant& found = value(column);
    if (found.isNull())
        return std::nullopt;
    return found.toString();
}

Row::Columns Row::columns(const QStringList& names)
{
    auto index = std::make_shared<QHash<QString, qsizetype>>();
    index->reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        index->insert(names.at(i), i);
    return index;
}

const QVariant& Row::value(const QString& column) const
{
    static const QVariant absent;
    const auto found = m_columns->constFind(column);
    return found == m_columns->cend() ? absent : m_values.at(*found);
}

Database::Database() = default;
Database::~Database() = default;

bool Database::isPostgresLocation(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://"))
        || location.startsWith(QLatin1String("postgres://"));
}

std::optional<QString> Database::open(const QString& location)
{
    std::optional<QString> error;
    if (isPostgresLocation(location)) {
        m_engine = Engine::Postgres;
        auto connection = std::make_unique<PostgresEngine>();
        error = connection->open(location);
        m_connection = std::move(connection);
    } else {
        m_engine = Engine::Sqlite;
        auto connection = std::make_unique<SqliteEngine>();
        error = connection->open(location);
        m_connection = std::move(connection);
    }
    if (error)
        m_connection.reset();
    return error;
}

QString Database::forUpdateOf(const QString& table) const
{
    return m_engine == Engine::Postgres ? QStringLiteral(" FOR UPDATE OF ") + table : QString();
}

qint64 Database::execute(const QString& sql, const QVariantList& parameters)
{
    refuseAutocommitWrite();
    qint64 changes = 0;
    run(sql, parameters, &changes);
    return changes;
}

void Database::executeLater(const QString& sql, const QVariantList& parameters)
{
    refuseAutocommitWrite();
    if (!m_connection)
        throw HttpError::storageFailure(QStringLiteral("The database is not open."));
    if (m_transactionDepth == 0)
        m_connection->run(sql, parameters, nullptr);
    else
        m_connection->runLater(sql, parameters);
}

QList<Row> Database::query(const QString& sql, const QVariantList& parameters)
{
    return run(sql, parameters, nullptr);
}

std::optional<Row> Database::queryOne(const QString& sql, const QVariantList& parameters)
{
    QList<Row> rows = run(sql, parameters, nullptr);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.takeFirst();
}

void Database::transaction(const std::function<void()>& work)
{
    refuseAutocommitWrite();
    if (m_transactionDepth > 0) {
        const QString savepoint = QStringLiteral("nested_%1").arg(m_transactionDepth);
        executeLater(QStringLiteral("SAVEPOINT ") + savepoint);
        ++m_transactionDepth;
        const std::size_t pendingBefore = m_afterCommit.size();
        try {
            work();
        } catch (...) {
            --m_transactionDepth;
            m_afterCommit.resize(pendingBefore);
            execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint);
            executeLater(QStringLiteral("RELEASE SAVEPOINT ") + savepoint);
            throw;
        }
        --m_transactionDepth;
        executeLater(QStringLiteral("RELEASE SAVEPOINT ") + savepoint);
        return;
    }
    topTransaction(work, TransactionStart::Writing);
}

void Database::topTransaction(const std::function<void()>& work, TransactionStart start)
{
    if (!m_connection)
        throw HttpError::storageFailure(QStringLiteral("The database is not open."));
    if (start == TransactionStart::Autocommit) {
        autocommitted(work);
        return;
    }
    m_connection->begin(start);
    m_start = start;
    m_transactionDepth = 1;
    m_afterCommit.clear();
    try {
        work();
        m_transactionDepth = 0;
        execute(QStringLiteral("COMMIT"));
    } catch (...) {
        m_transactionDepth = 0;
        m_afterCommit.clear();
        try {
            execute(QStringLiteral("ROLLBACK"));
        } catch (...) {
            // The first failure is the one worth reporting; a failed commit may have ended the transaction.
        }
        m_connection->finished();
        throw;
    }
    m_connection->finished();
    for (auto& committed : std::exchange(m_afterCommit, {}))
        committed();
}

void Database::autocommitted(const std::function<void()>& work)
{
    m_connection->begin(TransactionStart::Autocommit);
    m_autocommit = true;
    try {
        work();
    } catch (...) {
        m_autocommit = false;
        m_connection->finished();
        throw;
    }
    m_autocommit = false;
    m_connection->finished();
}

void Database::afterCommit(std::function<void()> work)
{
    if (m_transactionDepth == 0)
        work();
    else
        m_afterCommit.push_back(std::move(work));
}

void Database::refuseAutocommitWrite() const
{
    // A write would commit on its own, apart from the rest of the work's.
    if (m_autocommit)
        throw WriteNeeded();
}

void Database::requireWriting() const
{
    if (readsSnapshot() || m_autocommit)
        throw WriteNeeded();
}

void Database::retrying(const std::function<void()>& work, TransactionStart start)
{
    if (m_transactionDepth > 0) {
        work();
        return;
    }
    for (int attempt = 1;; ++attempt) {
        try {
            topTransaction(work, start);
            return;
        } catch (const WriteNeeded&) {
            // Not a conflict: the same attempt again, now holding what a writer needs.
            start = TransactionStart::Writing;
            --attempt;
        } catch (const RetryableStorageError& conflict) {
            if (attempt == retryAttempts) {
                HttpError busy(503, QStringLiteral("STORAGE_BUSY"),
                    QStringLiteral("The database stayed too busy to take this change; try again."));
                busy.detail = conflict.message;
                throw busy;
            }
            // Random, growing pauses keep the conflicting writers from meeting again at once.
            QThread::msleep(QRandomGenerator::global()->bounded(1, 5 * attempt + 2));
        }
    }
}

QList<Row> Database::run(const QString& sql, const QVariantList& parameters, qint64* changes)
{
    if (!m_connection)
        throw HttpError::storageFailure(QStringLiteral("The database is not open."));
    return m_connection->run(sql, parameters, changes);
}
