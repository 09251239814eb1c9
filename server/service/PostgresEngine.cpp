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

} // namespace

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
    const QString statement = m_reading ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                                        : QStringLiteral("BEGIN");
    try {
        run(statement, {}, nullptr);
    } catch (const HttpError&) {
        if (PQstatus(m_conn) != CONNECTION_BAD)
            throw;
        PQreset(m_conn);
        m_statements.clear();
        if (PQstatus(m_conn) != CONNECTION_OK)
            throw HttpError::storageFailure(QStringLiteral("The database connection is lost: ")
                + QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
        run(QStringLiteral("SET client_encoding = 'UTF8'"), {}, nullptr);
        run(statement, {}, nullptr);
    }
}

QByteArray PostgresEngine::prepared(const QString& sql, PGresult*& failure)
{
    if (const auto found = m_statements.constFind(sql); found != m_statements.cend())
        return *found;
    if (m_statements.size() >= maxPreparedStatements)
        return {};
    const QByteArray name = "plenko_" + QByteArray::number(m_statements.size() + 1);
    const QByteArray statement = numberedPlaceholders(sql);
    PGresult* result = PQprepare(m_conn, name.constData(), statement.constData(), 0, nullptr);
    // A statement that does not prepare fails as it would have run: the error (which has ended the
    // transaction) is its answer.
    if (!result || PQresultStatus(result) != PGRES_COMMAND_OK) {
        failure = result;
        return {};
    }
    PQclear(result);
    m_statements.insert(sql, name);
    return name;
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
    QList<QByteArray> texts;
    std::vector<const char*> values;
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
    // Transaction control is not worth a prepared statement; everything else is planned once per
    // connection.
    const bool control = sql.startsWith(QLatin1String("BEGIN")) || sql == QLatin1String("COMMIT")
        || sql == QLatin1String("ROLLBACK") || sql.startsWith(QLatin1String("SET "))
        || sql.contains(QLatin1String("SAVEPOINT"));
    PGresult* result = nullptr;
    const QByteArray name = control ? QByteArray() : prepared(sql, result);
    if (result) {
        // The prepare failed; its result carries the error.
    } else if (name.isEmpty()) {
        const QByteArray statement = numberedPlaceholders(sql);
        result = PQexecParams(
            m_conn, statement.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
    } else {
        result = PQexecPrepared(
            m_conn, name.constData(), int(values.size()), values.data(), nullptr, nullptr, 0);
    }
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const QString message = QStringLiteral("A statement failed: ")
            + QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(m_conn)).trimmed();
        const QByteArray state
            = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
        PQclear(result);
        // Serialization failure and deadlock: running the whole transaction again resolves them.
        if (state == "40001" || state == "40P01")
            throw RetryableStorageError(message);
        // A write (or a row lock) inside a transaction begun for reading.
        if (state == "25006" && m_reading)
            throw WriteNeeded();
        throw HttpError::storageFailure(message);
    }
    QList<Row> rows;
    const int rowCount = PQntuples(result);
    const int columnCount = PQnfields(result);
    QStringList names;
    for (int c = 0; c < columnCount; ++c)
        names.append(QString::fromUtf8(PQfname(result, c)));
    const Row::Columns index = Row::columns(names);
    for (int r = 0; r < rowCount; ++r) {
        QList<QVariant> row;
        row.reserve(columnCount);
        for (int c = 0; c < columnCount; ++c)
            row.append(valueOf(result, r, c));
        rows.append(Row(index, std::move(row)));
    }
    if (changes)
        *changes = QByteArray(PQcmdTuples(result)).toLongLong();
    PQclear(result);
    return rows;
}
