#include "Database.h"

#include "HttpError.h"

#include <sqlite3.h>

std::optional<QString> Row::optionalText(const QString& column) const
{
    const QVariant value = m_values.value(column);
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

Database::~Database()
{
    if (m_db)
        sqlite3_close(m_db);
}

std::optional<QString> Database::open(const QString& path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        const QString error
            = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        return error;
    }
    sqlite3_busy_timeout(m_db, 2000);
    try {
        execute(QStringLiteral("PRAGMA foreign_keys = ON"));
        if (path != QLatin1String(":memory:")) {
            query(QStringLiteral("PRAGMA journal_mode = WAL"));
            execute(QStringLiteral("PRAGMA synchronous = FULL"));
        }
    } catch (const HttpError& error) {
        return error.message;
    }
    return std::nullopt;
}

qint64 Database::execute(const QString& sql, const QVariantList& parameters)
{
    qint64 changes = 0;
    run(sql, parameters, &changes);
    return changes;
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
    // Nested calls join the outer transaction, so services can compose.
    if (m_transactionDepth > 0) {
        ++m_transactionDepth;
        try {
            work();
        } catch (...) {
            --m_transactionDepth;
            throw;
        }
        --m_transactionDepth;
        return;
    }
    execute(QStringLiteral("BEGIN IMMEDIATE"));
    m_transactionDepth = 1;
    try {
        work();
    } catch (...) {
        m_transactionDepth = 0;
        execute(QStringLiteral("ROLLBACK"));
        throw;
    }
    m_transactionDepth = 0;
    execute(QStringLiteral("COMMIT"));
}

QList<Row> Database::run(const QString& sql, const QVariantList& parameters, qint64* changes)
{
    auto failure = [this](const QString& what) {
        return HttpError(500, QStringLiteral("STORAGE_FAILURE"),
            what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db)));
    };
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK)
        throw failure(QStringLiteral("Could not prepare a statement"));

    for (int i = 0; i < parameters.size(); ++i) {
        const QVariant& value = parameters.at(i);
        const int index = i + 1;
        if (value.isNull()) {
            sqlite3_bind_null(statement, index);
        } else if (value.typeId() == QMetaType::Bool || value.typeId() == QMetaType::Int
            || value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::UInt
            || value.typeId() == QMetaType::ULongLong) {
            sqlite3_bind_int64(statement, index, value.toLongLong());
        } else if (value.typeId() == QMetaType::Double) {
            sqlite3_bind_double(statement, index, value.toDouble());
        } else {
            const QByteArray bytes = value.toString().toUtf8();
            sqlite3_bind_text(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        }
    }

    QList<Row> rows;
    for (;;) {
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW) {
            sqlite3_finalize(statement);
            throw failure(QStringLiteral("A statement failed"));
        }
        QHash<QString, QVariant> values;
        const int columns = sqlite3_column_count(statement);
        for (int c = 0; c < columns; ++c) {
            const QString name = QString::fromUtf8(sqlite3_column_name(statement, c));
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_NULL:
                values.insert(name, QVariant());
                break;
            case SQLITE_INTEGER:
                values.insert(name, qint64(sqlite3_column_int64(statement, c)));
                break;
            case SQLITE_FLOAT:
                values.insert(name, sqlite3_column_double(statement, c));
                break;
            default:
                values.insert(name,
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                        sqlite3_column_bytes(statement, c)));
                break;
            }
        }
        rows.append(Row(std::move(values)));
    }
    sqlite3_finalize(statement);
    if (changes)
        *changes = sqlite3_changes64(m_db);
    return rows;
}
