#include "SqliteEngine.h"

#include "HttpError.h"

#include <QFileInfo>
#include <map>
#include <sqlite3.h>

namespace {

// One queue of writers per database file in this process.
std::shared_ptr<std::mutex> writersOf(const QString& file)
{
    static std::mutex registryMutex;
    static std::map<QString, std::weak_ptr<std::mutex>> registry;
    const std::lock_guard lock(registryMutex);
    std::shared_ptr<std::mutex> writers = registry[file].lock();
    if (!writers) {
        writers = std::make_shared<std::mutex>();
        registry[file] = writers;
    }
    return writers;
}

// Statements built from a variable number of placeholders would grow the cache without end; past
// this many the rest are compiled for each use.
constexpr qsizetype maxCachedStatements = 256;

} // namespace

SqliteEngine::~SqliteEngine()
{
    for (const Compiled& compiled : std::as_const(m_statements))
        sqlite3_finalize(compiled.statement);
    if (m_db)
        sqlite3_close(m_db);
}

std::optional<QString> SqliteEngine::open(const QString& path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
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
            // A commit reaches the operating system before it is acknowledged, so it survives the
            // process being killed; the disk flush waits for the checkpoint (see docs/server.md).
            run(QStringLiteral("PRAGMA synchronous = NORMAL"), {}, nullptr);
            // Every other connection's commit empties this one's page cache, so most transactions
            // read their pages afresh: mapped, the database file's pages need no read call or copy.
            run(QStringLiteral("PRAGMA mmap_size = 268435456"), {}, nullptr);
            m_writers = writersOf(QFileInfo(path).canonicalFilePath());
        }
    } catch (const HttpError& error) {
        return error.logText();
    }
    return std::nullopt;
}

void SqliteEngine::begin(TransactionStart start)
{
    m_reading = start == TransactionStart::Reading;
    if (start == TransactionStart::Autocommit)
        return;
    if (m_reading) {
        run(QStringLiteral("BEGIN"), {}, nullptr);
        return;
    }
    if (m_writers)
        m_writing = std::unique_lock(*m_writers);
    try {
        run(QStringLiteral("BEGIN IMMEDIATE"), {}, nullptr);
    } catch (...) {
        finished();
        throw;
    }
}

void SqliteEngine::finished()
{
    if (m_writing.owns_lock())
        m_writing.unlock();
}

SqliteEngine::Compiled SqliteEngine::prepared(const QString& sql)
{
    if (const auto found = m_statements.constFind(sql); found != m_statements.cend())
        return *found;
    Compiled compiled;
    const QByteArray text = sql.toUtf8();
    compiled.cached = m_statements.size() < maxCachedStatements;
    const int code = sqlite3_prepare_v3(m_db, text.constData(), int(text.size()),
        compiled.cached ? SQLITE_PREPARE_PERSISTENT : 0, &compiled.statement, nullptr);
    if (code != SQLITE_OK) {
        sqlite3_finalize(compiled.statement);
        return {};
    }
    // Named once per statement: a large answer has tens of thousands of rows.
    const int columns = sqlite3_column_count(compiled.statement);
    QStringList names;
    names.reserve(columns);
    for (int c = 0; c < columns; ++c)
        names.append(QString::fromUtf8(sqlite3_column_name(compiled.statement, c)));
    compiled.columns = Row::columns(names);
    if (compiled.cached)
        m_statements.insert(sql, compiled);
    return compiled;
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
    const Compiled compiled = prepared(sql);
    sqlite3_stmt* statement = compiled.statement;
    if (!statement)
        fail(QStringLiteral("Could not prepare a statement"), sqlite3_errcode(m_db));
    const bool cached = compiled.cached;
    // Leaves the statement ready for its next use, its parameters cleared.
    auto release = [statement, cached] {
        if (cached) {
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
        } else {
            sqlite3_finalize(statement);
        }
    };
    if (m_reading && !sqlite3_get_autocommit(m_db) && !sqlite3_stmt_readonly(statement)) {
        release();
        throw WriteNeeded();
    }

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

    const int columns = sqlite3_column_count(statement);
    const Row::Columns& columnIndex = compiled.columns;
    QList<Row> rows;
    for (;;) {
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW) {
            // The reset repeats the step's error, which the message below still reads.
            const int code = sqlite3_extended_errcode(m_db);
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            release();
            const QString what = QStringLiteral("A statement failed: ") + message;
            if ((code & 0xff) == SQLITE_BUSY)
                throw RetryableStorageError(what);
            throw HttpError::storageFailure(what);
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
    if (changes)
        *changes = sqlite3_changes64(m_db);
    release();
    return rows;
}
