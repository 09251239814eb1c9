// One prepared SQLite statement: bind by position (1-based), step, read columns, reset for reuse.
#pragma once

#include "store/StoreError.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <expected>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }

    void bindText(int index, const QString& value);
    void bindOptionalText(int index, const std::optional<QString>& value);
    void bindUuid(int index, const QUuid& value);
    void bindOptionalUuid(int index, const std::optional<QUuid>& value);
    void bindInt(int index, qint64 value);
    void bindBool(int index, bool value) { bindInt(index, value ? 1 : 0); }
    // Milliseconds since the epoch; an invalid date is stored as NULL.
    void bindDate(int index, const QDateTime& value);
    void bindOptionalDate(int index, const std::optional<QDateTime>& value);
    void bindNull(int index);

    // true while a row is available; false when done. Errors leave a message in errorMessage().
    enum class Step { row, done, failed };
    Step step();
    void reset();
    // Runs a statement that returns no rows, and resets it for reuse whether or not it succeeded. A
    // failure comes back as "<doing>: <SQLite's message>".
    std::expected<void, StoreError> run(const QString& doing);
    // Steps through every row, handing each to `onRow` (which reads the columns), then resets the
    // statement for reuse. A failure comes back as "<doing>: <SQLite's message>".
    template<typename OnRow>
    std::expected<void, StoreError> forEachRow(const QString& doing, OnRow&& onRow);

    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;
    QUuid uuid(int column) const;
    std::optional<QUuid> optionalUuid(int column) const;
    qint64 integer(int column) const;
    bool boolean(int column) const { return integer(column) != 0; }
    QDateTime date(int column) const;
    std::optional<QDateTime> optionalDate(int column) const;
    bool isNull(int column) const;

    QString errorMessage() const;

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};

template<typename OnRow>
std::expected<void, StoreError> SqliteStatement::forEachRow(const QString& doing, OnRow&& onRow)
{
    for (;;) {
        const Step result = step();
        if (result == Step::failed) {
            StoreError failure = StoreError::of(doing, errorMessage());
            reset();
            return std::unexpected(failure);
        }
        if (result == Step::done)
            break;
        onRow();
    }
    reset();
    return {};
}
