#include "SqliteEngine.h"

#include "HttpError.h"

#include <sqlite3.h>

SqliteEngine::~SqliteEngine()
{
    if (m_db)
        sqlite3_close(m_db);
}

std::optional<QString> SqliteEngine::open(const QString& path)
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
        run(QStringLiteral("PRAGMA foreign_keys = ON"), {}, nullptr);
        if (path != QLatin1String(":memory:")) {
            run(QStringLiteral("PRAGMA journal_mode = WAL"), {}, nullptr);
            run(QStringLiteral("PRAGMA synchronous = FULL"), {}, nullptr);
        }
    } catch (const HttpError& error) {
        return error.logText();
    }
    return std::nullopt;
}

QList<Row> SqliteEngine::run(const QString& sql, const QVariantList& parameters, qint64* changes)
{
    auto fail = [this](const QString& what, int code) {
        const QString message = what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        // Another process holds the write lock past the busy timeout: the whole transaction may retry.
        if ((code & 0xff) == SQLITE_BUSY)
            throw RetryableStorageError(message);
        throw HttpError::storageFailure(message);
    };
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (const int code = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr);
        code != SQLITE_OK)
        fail(QStringLiteral("Could not prepare a statement"), code);

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

    // Named once per statement: a large answer has tens of thousands of rows.
    const int columns = sqlite3_column_count(statement);
    QStringList names;
    names.reserve(columns);
    for (int c = 0; c < columns; ++c)
        names.append(QString::fromUtf8(sqlite3_column_name(statement, c)));
    const Row::Columns columnIndex = Row::columns(names);
    QList<Row> rows;
    for (;;) {
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW) {
            sqlite3_finalize(statement);
            fail(QStringLiteral("A statement failed"), step);
        }
        QList<QVariant> values;
        values.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_NULL:
                values.append(QVariant());
                break;
            case SQLITE_INTEGER:
                values.append(qint64(sqlite3_column_int64(statement, c)));
                break;
            case SQLITE_FLOAT:
                values.append(sqlite3_column_double(statement, c));
                break;
            default:
                values.append(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                        sqlite3_column_bytes(statement, c)));
                break;
            }
        }
        rows.append(Row(columnIndex, std::move(values)));
    }
    sqlite3_finalize(statement);
    if (changes)
        *changes = sqlite3_changes64(m_db);
    return rows;
}
