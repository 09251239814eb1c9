// A thin wrapper over one SQLite connection: ":memory:" by default, a file with --data. Every
// service keeps its state here, so the in-memory and the persistent devserver run the same code.
// A failing statement raises HttpError 500 "STORAGE_FAILURE".
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

struct sqlite3;

// One result row, read by column name.
class Row
{
public:
    explicit Row(QHash<QString, QVariant> values)
        : m_values(std::move(values))
    {
    }
    QString text(const QString& column) const { return m_values.value(column).toString(); }
    qint64 integer(const QString& column) const { return m_values.value(column).toLongLong(); }
    bool isNull(const QString& column) const { return m_values.value(column).isNull(); }
    std::optional<QString> optionalText(const QString& column) const;

private:
    QHash<QString, QVariant> m_values;
};

class Database
{
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (creating when needed) the database; returns an error text on failure.
    std::optional<QString> open(const QString& path);

    // Runs one statement with positional parameters (?); returns the number of changed rows.
    qint64 execute(const QString& sql, const QVariantList& parameters = {});
    QList<Row> query(const QString& sql, const QVariantList& parameters = {});
    std::optional<Row> queryOne(const QString& sql, const QVariantList& parameters = {});
    // Runs the work in one transaction; an exception rolls it back and propagates.
    void transaction(const std::function<void()>& work);

private:
    QList<Row> run(const QString& sql, const QVariantList& parameters, qint64* changes);

    sqlite3* m_db = nullptr;
    int m_transactionDepth = 0;
};
