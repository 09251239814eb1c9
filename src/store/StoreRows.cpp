#include "store/StoreRows.h"

#include <QStringList>

#include <algorithm>
#include <string_view>

namespace {
constexpr int columnCount(std::string_view columns)
{
    return int(std::count(columns.begin(), columns.end(), ',')) + 1;
}
static_assert(columnCount(StoreRows::itemColumns) == StoreRows::itemColumnCount);

// INSERT of `rows` rows that overwrites each row with the same id, so a record can never exist
// twice. Row r's values are bound at r * (column count) + 1 onwards, in the columns' order.
QString upsertSql(const char* table, const char* columns, int rows = 1)
{
    const QStringList names = QString::fromLatin1(columns).split(QStringLiteral(", "));
    QStringList tuples;
    for (int row = 0; row < rows; ++row) {
        QStringList placeholders;
        for (qsizetype i = 0; i < names.size(); ++i)
            placeholders << QStringLiteral("?%1").arg(row * names.size() + i + 1);
        tuples << QStringLiteral("(%1)").arg(placeholders.join(QStringLiteral(", ")));
    }
    QStringList updates;
    for (const QString& name : names) {
        if (name != QLatin1String("id"))
            updates << QStringLiteral("%1 = excluded.%1").arg(name);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3 ON CONFLICT (id) DO UPDATE SET %4")
        .arg(QString::fromLatin1(table), QString::fromLatin1(columns), tuples.join(QStringLiteral(", ")),
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

QString StoreRows::upsertBoardSql()
{
    return upsertSql("local_board", boardColumns);
}

QString StoreRows::upsertItemsSql(int rows)
{
    return upsertSql("local_item", itemColumns, rows);
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

void StoreRows::bindItem(SqliteStatement& statement, const LocalItemFields& item, int row)
{
    const int at = row * itemColumnCount;
    statement.bindUuid(at + 1, item.id);
    statement.bindText(at + 2, item.content);
    statement.bindText(at + 3, itemStatusText(item.status));
    statement.bindUuid(at + 4, item.boardId);
    statement.bindUuid(at + 5, item.createdBy);
    statement.bindOptionalUuid(at + 6, item.assignee);
    statement.bindOptionalText(at + 7, item.author);
    statement.bindDate(at + 8, item.createdAt);
    statement.bindInt(at + 9, item.order);
    statement.bindDate(at + 10, item.updatedAt);
    statement.bindOptionalDate(at + 11, item.deletedAt);
    statement.bindOptionalDate(at + 12, item.archivedAt);
    statement.bindInt(at + 13, item.revision);
    statement.bindBool(at + 14, item.didSync);
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
