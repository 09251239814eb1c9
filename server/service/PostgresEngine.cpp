#include "PostgresEngine.h"

#include "HttpError.h"

#include <QStringList>
#include <libpq-fe.h>
#include <vector>

namespace {

// Type oids from PostgreSQL's pg_type.h, which libpq-dev does not install.
constexpr Oid boolOid = 16;
constexpr Oid int8Oid = 20;
constexpr Oid int2Oid = 21;
constexpr Oid int4Oid = 23;
constexpr Oid float4Oid = 700;
constexpr Oid float8Oid = 701;
constexpr Oid numericOid = 1700;

// Statements built from a variable number of placeholders would fill the session without end; past
// this many the rest are parsed for each use.
constexpr qsizetype maxPreparedStatements = 256;

QVariant valueOf(const PGresult* result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return {};
    const char* text = PQgetvalue(result, row, column);
    switch (PQftype(result, column)) {
    case boolOid:
        return qint64(text[0] == 't' ? 1 : 0);
    case int2Oid:
    case int4Oid:
    case int8Oid:
        return QByteArray(text).toLongLong();
    case float4Oid:
    case float8Oid:
    case numericOid:
        return QByteArray(text).toDouble();
    default:
        return QString::fromUtf8(text, PQgetlength(result, row, column));
    }
}

QByteArray textOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? "1" : "0";
    if (value.typeId() == QMetaType::Double)
        return QByteArray::number(value.toDouble(), 'g', 17);
    return value.toString().toUtf8();
}

// Transaction control is not worth a prepared statement; everything else is planned once per
// connection.
bool isControl(const QString& sql)
{
    return sql.startsWith(QLatin1String("BEGIN")) || sql == QLatin1String("COMMIT")
        || sql == QLatin1String("ROLLBACK") || sql.startsWith(QLatin1String("SET "))
        || sql.contains(QLatin1String("SAVEPOINT"));
}

// A statement's parameters as libpq takes them: text, or null.
struct ParameterTexts
{
    explicit ParameterTexts(const QVariantList& parameters)
    {
        texts.reserve(parameters.size());
        values.reserve(std::size_t(parameters.size()));
        for (const QVariant& value : parameters) {
            if (value.isNull()) {
                values.push_back(nullptr);
                continue;
            }
            texts.append(textOf(value));
            values.push_back(texts.last().constData());
        }
    }
    QList<QByteArray> texts;
    std::vector<const char*> values;
};

} // namespace

void PostgresEngine::Outcome::clear()
{
    PQclear(result);
    PQclear(failure);
    result = nullptr;
    failure = nullptr;
}

PostgresEngine::~PostgresEngine()
{
    if (m_conn)
        PQfinish(m_conn);
}

std::optional<QString> PostgresEngine::open(const QString& uri)
{
    m_conn = PQconnectdb(uri.toUtf8().constData());
    if (!m_conn)
        return QStringLiteral("out of memory");
    if (PQstatus(m_conn) != CONNECTION_OK)
        return QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    // Notices ("relation already exists, skipping") are not errors; keep them off stderr.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    try {
        run(QStringLiteral("SET client_encoding = 'UTF8'"), {}, nullptr);
    } catch (const HttpError& error) {
        return error.logText();
    }
    return std::nullopt;
}

void PostgresEngine::begin(TransactionStart start)
{
    m_reading = start == TransactionStart::Reading;
    m_later.clear();
    if (PQstatus(m_conn) == CONNECTION_BAD || std::exchange(m_reopen, false))
        reconnect();
    // Statements of their own only read: any of them can be sent again on a connection opened anew.
    m_autocommit = start == TransactionStart::Autocommit;
    if (m_autocommit)
        return;
    // Sent with the transaction's first statement: a round trip of its own would cost as much as
    // the statement.
    m_later.push_back({m_reading ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                                 : QStringLiteral("BEGIN"),
        {}});
    m_beginLater = true;
}

void PostgresEngine::finished()
{
    m_autocommit = false;
}

void PostgresEngine::runLater(const QString& sql, const QVariantList& parameters)
{
    m_later.push_back({sql, parameters});
}

void PostgresEngine::reconnect()
{
    PQreset(m_conn);
    m_statements.clear();
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw HttpError::storageFailure(QStringLiteral("The database connection is lost: ")
            + QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    run(QStringLiteral("SET client_encoding = 'UTF8'"), {}, nullptr);
}

PostgresEngine::Prepared* PostgresEngine::prepared(const QString& sql, PGresult*& failure)
{
    if (const auto found = m_statements.find(sql); found != m_statements.end())
        return &*found;
    if (m_statements.size() >= maxPreparedStatements)
        return nullptr;
    const QByteArray name = "plenko_" + QByteArray::number(m_statements.size() + 1);
    PGresult* result = PQprepare(m_conn, name.constData(), numberedPlaceholders(sql).constData(), 0, nullptr);
    // A statement that does not prepare fails as it would have run: the error (which has ended the
    // transaction) is its answer.
    if (!result || PQresultStatus(result) != PGRES_COMMAND_OK) {
        failure = result ? result : PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR);
        return nullptr;
    }
    PQclear(result);
    return &*m_statements.insert(sql, {name, {}});
}

QByteArray PostgresEngine::numberedPlaceholders(const QString& sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    int number = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++number);
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

QList<Row> PostgresEngine::run(const QString& sql, const QVariantList& parameters, qint64* changes)
{
    if (sql == QLatin1String("ROLLBACK")) {
        // What waits to be sent is undone anyway; a transaction the server never saw needs no end.
        m_later.clear();
        if (std::exchange(m_beginLater, false))
            return {};
    }
    m_later.push_back({sql, parameters});
    const std::vector<Statement> batch = std::exchange(m_later, {});
    const bool opens = std::exchange(m_beginLater, false) || m_autocommit;
    Outcome outcome = send(batch);
    if (outcome.failure && opens && PQstatus(m_conn) == CONNECTION_BAD) {
        // Nothing of this transaction had reached the server before this batch: a connection the
        // server has lost (a restart of PostgreSQL, an idle timeout) is opened again and the batch
        // sent once more, where no transaction can be cut in half.
        outcome.clear();
        reconnect();
        outcome = send(batch);
    }
    if (outcome.failure)
        fail(outcome);
    QList<Row> rows;
    PGresult* result = outcome.result;
    const int rowCount = PQntuples(result);
    const int columnCount = PQnfields(result);
    if (columnCount > 0) {
        Row::Columns& index = outcome.columns ? *outcome.columns : outcome.ownColumns;
        if (!index) {
            QStringList names;
            for (int c = 0; c < columnCount; ++c)
                names.append(QString::fromUtf8(PQfname(result, c)));
            index = Row::columns(names);
        }
        rows.reserve(rowCount);
        for (int r = 0; r < rowCount; ++r) {
            QList<QVariant> row;
            row.reserve(columnCount);
            for (int c = 0; c < columnCount; ++c)
                row.append(valueOf(result, r, c));
            rows.append(Row(index, std::move(row)));
        }
    }
    if (changes)
        *changes = QByteArray(PQcmdTuples(result)).toLongLong();
    outcome.clear();
    return rows;
}

PostgresEngine::Outcome PostgresEngine::send(const std::vector<Statement>& batch)
{
    Outcome outcome;
    // Prepared before the batch goes out: preparing is a round trip of its own, once per connection.
    std::vector<Prepared*> names;
    names.reserve(batch.size());
    for (const Statement& statement : batch) {
        names.push_back(isControl(statement.sql) ? nullptr : prepared(statement.sql, outcome.failure));
        if (outcome.failure)
            return outcome;
    }
    const bool pipelined = batch.size() > 1;
    if (pipelined && !PQenterPipelineMode(m_conn)) {
        outcome.failure = PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR);
        return outcome;
    }
    std::size_t sent = 0;
    for (; sent < batch.size(); ++sent) {
        ParameterTexts parameters(batch[sent].parameters);
        const int count = int(parameters.values.size());
        if (!pipelined) {
            outcome.result = names[sent]
                ? PQexecPrepared(m_conn, names[sent]->name.constData(), count, parameters.values.data(),
                    nullptr, nullptr, 0)
                : PQexecParams(m_conn, numberedPlaceholders(batch[sent].sql).constData(), count, nullptr,
                    parameters.values.data(), nullptr, nullptr, 0);
            ++sent;
            break;
        }
        const int queued = names[sent]
            ? PQsendQueryPrepared(
                m_conn, names[sent]->name.constData(), count, parameters.values.data(), nullptr, nullptr, 0)
            : PQsendQueryParams(m_conn, numberedPlaceholders(batch[sent].sql).constData(), count, nullptr,
                parameters.values.data(), nullptr, nullptr, 0);
        if (!queued)
            break;
    }
    if (pipelined) {
        PQpipelineSync(m_conn);
        outcome.result = receive(sent, outcome.failure);
        // A batch not read to its end leaves the connection unusable for anything else: it is
        // opened again before the next transaction.
        if (!PQexitPipelineMode(m_conn)) {
            m_reopen = true;
            if (!outcome.failure)
                outcome.failure = PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR);
        }
        if (sent < batch.size() && !outcome.failure)
            outcome.failure = PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR);
    }
    if (!outcome.failure) {
        const ExecStatusType status = outcome.result ? PQresultStatus(outcome.result) : PGRES_FATAL_ERROR;
        if (!outcome.result)
            outcome.failure = PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR);
        else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            std::swap(outcome.failure, outcome.result);
        else if (names.back())
            outcome.columns = &names.back()->columns;
    }
    return outcome;
}

PGresult* PostgresEngine::receive(std::size_t count, PGresult*& failure)
{
    // Each statement answers with its result and then nothing; after an error the rest answer
    // "aborted"; the sync point ends the batch. A lost connection ends it early.
    PGresult* last = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        PGresult* result = PQgetResult(m_conn);
        if (!result)
            break;
        while (PGresult* extra = PQgetResult(m_conn))
            PQclear(extra);
        const ExecStatusType status = PQresultStatus(result);
        if (!failure && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK
            && status != PGRES_PIPELINE_ABORTED) {
            failure = result;
            continue;
        }
        if (i + 1 == count && status != PGRES_PIPELINE_ABORTED) {
            last = result;
            continue;
        }
        PQclear(result);
    }
    // The sync point; anything else means the connection is lost.
    for (int guard = 0; guard < 4; ++guard) {
        PGresult* result = PQgetResult(m_conn);
        if (!result)
            break;
        const bool sync = PQresultStatus(result) == PGRES_PIPELINE_SYNC;
        PQclear(result);
        if (sync)
            break;
    }
    if (!last && !failure)
        failure = PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR);
    return last;
}

void PostgresEngine::fail(Outcome& outcome)
{
    PGresult* result = outcome.failure;
    const QString detail = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    const QString message = QStringLiteral("A statement failed: ")
        + (detail.isEmpty() ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : detail);
    const QByteArray state(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    outcome.clear();
    // Serialization failure and deadlock: running the whole transaction again resolves them.
    if (state == "40001" || state == "40P01")
        throw RetryableStorageError(message);
    // A write (or a row lock) inside a transaction begun for reading.
    if (state == "25006" && m_reading)
        throw WriteNeeded();
    throw HttpError::storageFailure(message);
}
