#include "store/SqliteStatement.h"

#include "domain/Ids.h"

#include <sqlite3.h>

#include <utility>

SqliteStatement::SqliteStatement(sqlite3* db, sqlite3_stmt* statement)
    : m_db(db)
    , m_statement(statement)
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_statement(std::exchange(other.m_statement, nullptr))
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_db = std::exchange(other.m_db, nullptr);
        m_statement = std::exchange(other.m_statement, nullptr);
    }
    return *this;
}

void SqliteStatement::bindText(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindOptionalText(int index, const std::optional<QString>& value)
{
    if (value)
        bindText(index, *value);
    else
        bindNull(index);
}

void SqliteStatement::bindUuid(int index, const QUuid& value)
{
    char text[uuidTextLength];
    writeUuidText(value, text);
    sqlite3_bind_text(m_statement, index, text, int(uuidTextLength), SQLITE_TRANSIENT);
}

void SqliteStatement::bindOptionalUuid(int index, const std::optional<QUuid>& value)
{
    if (value)
        bindUuid(index, *value);
    else
        bindNull(index);
}

void SqliteStatement::bindInt(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteStatement::bindDate(int index, const QDateTime& value)
{
    if (value.isValid())
        bindInt(index, value.toMSecsSinceEpoch());
    else
        bindNull(index);
}

void SqliteStatement::bindOptionalDate(int index, const std::optional<QDateTime>& value)
{
    if (value)
        bindDate(index, *value);
    else
        bindNull(index);
}

void SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
}

SqliteStatement::Step SqliteStatement::step()
{
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return Step::row;
    case SQLITE_DONE:
        return Step::done;
    default:
        return Step::failed;
    }
}

std::expected<void, StoreError> SqliteStatement::run(const QString& doing)
{
    if (step() != Step::failed) {
        reset();
        return {};
    }
    StoreError failure = StoreError::of(doing, errorMessage());
    reset();
    return std::unexpected(failure);
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

QString SqliteStatement::text(int column) const
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_statement, column));
}

std::optional<QString> SqliteStatement::optionalText(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

QUuid SqliteStatement::uuid(int column) const
{
    // Read where it stands, without decoding into a QString first: a valid id is ASCII, and any other
    // bytes are no id in either reading.
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    return readUuidText(data, sqlite3_column_bytes(m_statement, column));
}

std::optional<QUuid> SqliteStatement::optionalUuid(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return uuid(column);
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QDateTime SqliteStatement::date(int column) const
{
    if (isNull(column))
        return {};
    return QDateTime::fromMSecsSinceEpoch(integer(column), Qt::UTC);
}

std::optional<QDateTime> SqliteStatement::optionalDate(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return date(column);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString SqliteStatement::errorMessage() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}
