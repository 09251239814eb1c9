// Shared pieces of the store tests: sample records and a second, raw connection to a store file
// (another writer holding the lock, a trigger that rejects rows, or a look at what was committed).
#pragma once

#include "domain/Board.h"
#include "domain/Item.h"

#include <QDateTime>
#include <QString>
#include <QTest>
#include <QUuid>

#include <sqlite3.h>

inline QDateTime at(const QString& isoText)
{
    return QDateTime::fromString(isoText, Qt::ISODateWithMs).toUTC();
}

inline Board sampleBoard(const QString& name, bool cloud)
{
    Board board;
    board.id = QUuid::createUuid();
    board.name = name;
    board.createdAt = at(QStringLiteral("2024-05-01T10:00:00.250Z"));
    board.updatedAt = at(QStringLiteral("2024-05-02T11:30:00Z"));
    board.syncWithServer = cloud;
    board.createdBy = QStringLiteral("someone@example.com");
    board.revision = 3;
    return board;
}

inline Item sampleItem(const QUuid& boardId, const QString& content, qint64 revision = 1)
{
    Item item;
    item.id = QUuid::createUuid();
    item.content = content;
    item.status = ItemStatus::inProgress;
    item.order = 2;
    item.boardId = boardId;
    item.createdBy = QUuid::createUuid();
    item.createdAt = at(QStringLiteral("2024-05-01T10:00:00Z"));
    item.updatedAt = at(QStringLiteral("2024-05-01T12:00:00.125Z"));
    item.revision = revision;
    return item;
}

class RawConnection
{
public:
    explicit RawConnection(const QString& fileName)
    {
        if (sqlite3_open(fileName.toUtf8().constData(), &m_db) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(fileName));
    }
    ~RawConnection() { sqlite3_close(m_db); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool execute(const QString& sql)
    {
        char* message = nullptr;
        const bool ok = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK;
        if (!ok)
            qWarning("%s", message);
        sqlite3_free(message);
        return ok;
    }

    // The first column of the first row, as text; empty when there is no row.
    QString value(const QString& sql)
    {
        sqlite3_stmt* statement = nullptr;
        QString result;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return result;
    }

    int count(const QString& table, const QString& where = QStringLiteral("1"))
    {
        return value(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(table, where)).toInt();
    }

private:
    sqlite3* m_db = nullptr;
};
