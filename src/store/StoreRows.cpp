#include "store/StoreRows.h"

#include <QStringList>

namespace {
// INSERT that overwrites the row with the same id, so a record can never exist twice.
QString upsertSql(const char* table, const char* columns)
{
    const QStringList names = QString::fromLatin1(columns).split(QStringLiteral(", "));
    QStringList placeholders;
    QStringList updates;
    for (qsizetype i = 0; i < names.size(); ++i) {
        placeholders << QStringLiteral("?%1").arg(i + 1);
        if (names[i] != QLatin1String("id"))
            updates << QStringLiteral("%1 = excluded.%1").arg(names[i]);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (id) DO UPDATE SET %4")
        .arg(QString::fromLatin1(table), QString::fromLatin1(columns), placeholders.join(QStringLiteral(", ")),
            updates.join(QStringLiteral(", ")));
}

QString updateSql(const char* table, const char* columns)
{
    const QStringList names = QString::fromLatin1(columns).split(QStringLiteral(", "));
    QStringList updates;
    for (qsizetype i = 1; i < names.size(); ++i)
        updates << QStringLiteral("%1 = ?%2").arg(names[i]).arg(i + 1);
    return QStringLiteral("UPDATE %1 SET %2 WHERE id = ?1").arg(QString::fromLatin1(table), updates.join(QStringLiteral(", ")));
}
}

QString StoreRows::updateBoardSql()
{
    return updateSql("local_board", boardColumns);
}

QString StoreRows::updateItemSql()
{
    return updateSql("local_item", itemColumns);
}

QString StoreRows::upsertBoardSql()
{
    return upsertSql("local_board", boardColumns);
}

QString StoreRows::upsertItemSql()
{
    return upsertSql("local_item", itemColumns);
}

void StoreRows::bindBoard(SqliteStatement& statement, const LocalBoardFields& board)
{
    statement.bindUuid(1, board.id);
    statement.bindText(2, board.name);
    statement.bindDate(3, board.createdAt);
    statement.bindBool(4, board.syncWithServer);
    statement.bindDate(5, board.updatedAt);
    statement.bindOptionalDate(6, board.deletedAt);
    statement.bindText(7, board.createdBy);
    statement.bindOptionalText(8, board.info);
    statement.bindBool(9, board.isActive);
    statement.bindInt(10, board.revision);
}

void StoreRows::bindItem(SqliteStatement& statement, const LocalItemFields& item)
{
    statement.bindUuid(1, item.id);
    statement.bindText(2, item.content);
    statement.bindText(3, itemStatusText(item.status));
    statement.bindUuid(4, item.boardId);
    statement.bindUuid(5, item.createdBy);
    statement.bindOptionalUuid(6, item.assignee);
    statement.bindOptionalText(7, item.author);
    statement.bindDate(8, item.createdAt);
    statement.bindInt(9, item.order);
    statement.bindDate(10, item.updatedAt);
    statement.bindOptionalDate(11, item.deletedAt);
    statement.bindOptionalDate(12, item.archivedAt);
    statement.bindInt(13, item.revision);
    statement.bindBool(14, item.didSync);
}

LocalBoardFields StoreRows::readBoard(const SqliteStatement& statement)
{
    LocalBoardFields board;
    board.id = statement.uuid(0);
    board.name = statement.text(1);
    board.createdAt = statement.date(2);
    board.syncWithServer = statement.boolean(3);
    board.updatedAt = statement.date(4);
    board.deletedAt = statement.optionalDate(5);
    board.createdBy = statement.text(6);
    board.info = statement.optionalText(7);
    board.isActive = statement.boolean(8);
    board.revision = statement.integer(9);
    return board;
}

LocalItemFields StoreRows::readItem(const SqliteStatement& statement)
{
    LocalItemFields item;
    item.id = statement.uuid(0);
    item.content = statement.text(1);
    // Only this program writes the column; an unknown text can only come from a damaged file.
    item.status = itemStatusFromText(statement.text(2)).value_or(ItemStatus::todo);
    item.boardId = statement.uuid(3);
    item.createdBy = statement.uuid(4);
    item.assignee = statement.optionalUuid(5);
    item.author = statement.optionalText(6);
    item.createdAt = statement.date(7);
    item.order = statement.integer(8);
    item.updatedAt = statement.date(9);
    item.deletedAt = statement.optionalDate(10);
    item.archivedAt = statement.optionalDate(11);
    item.revision = statement.integer(12);
    item.didSync = statement.boolean(13);
    return item;
}
