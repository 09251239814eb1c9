#include "store/TrashStore.h"

namespace {
const QString columns = QStringLiteral(
    R"(id, boardId, content, status, createdBy, assignee, author, createdAt, "order", archivedAt, deletedAt)");
}

TrashStore::Result TrashStore::runWithId(const QString& sql, const QUuid& id, const QString& doing, StoreContext& context)
{
    auto statement = context.statementWritingAtOnce(sql);
    if (!statement)
        return std::unexpected(statement.error());
    (*statement)->bindUuid(1, id);
    return (*statement)->run(doing);
}

std::expected<QList<Item>, StoreError> TrashStore::fetchForBoard(const QUuid& boardId, StoreContext& context)
{
    auto statement = context.statement(
        QStringLiteral("SELECT %1 FROM trashed_item WHERE boardId = ?1 ORDER BY deletedAt DESC, rowid DESC").arg(columns));
    if (!statement)
        return std::unexpected(statement.error());
    SqliteStatement& query = **statement;
    query.bindUuid(1, boardId);
    QList<Item> items;
    const auto rows = query.forEachRow(QStringLiteral("Could not read the trash"), [&] {
        Item item;
        item.id = query.uuid(0);
        item.boardId = query.uuid(1);
        item.content = query.text(2);
        item.status = itemStatusFromText(query.text(3)).value_or(ItemStatus::todo);
        item.createdBy = query.uuid(4);
        item.assignee = query.optionalUuid(5);
        item.author = query.optionalText(6);
        item.createdAt = query.date(7);
        item.order = query.integer(8);
        item.archivedAt = query.optionalDate(9);
        item.deletedAt = query.date(10);
        item.updatedAt = *item.deletedAt;
        items.append(item);
    });
    if (!rows)
        return std::unexpected(rows.error());
    return items;
}

TrashStore::Result TrashStore::insert(const Item& item, StoreContext& context)
{
    auto statement = context.statementWritingAtOnce(
        QStringLiteral("INSERT OR REPLACE INTO trashed_item (%1) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
            .arg(columns));
    if (!statement)
        return std::unexpected(statement.error());
    SqliteStatement& query = **statement;
    query.bindUuid(1, item.id);
    query.bindUuid(2, item.boardId);
    query.bindText(3, item.content);
    query.bindText(4, itemStatusText(item.status));
    query.bindUuid(5, item.createdBy);
    query.bindOptionalUuid(6, item.assignee);
    query.bindOptionalText(7, item.author);
    query.bindDate(8, item.createdAt);
    query.bindInt(9, item.order);
    query.bindOptionalDate(10, item.archivedAt);
    query.bindDate(11, item.deletedAt.value_or(QDateTime::currentDateTimeUtc()));
    return query.run(QStringLiteral("Could not keep the item in the trash"));
}

TrashStore::Result TrashStore::remove(const QUuid& itemId, StoreContext& context)
{
    return runWithId(QStringLiteral("DELETE FROM trashed_item WHERE id = ?1"), itemId,
        QStringLiteral("Could not remove the item from the trash"), context);
}

TrashStore::Result TrashStore::removeBoard(const QUuid& boardId, StoreContext& context)
{
    return runWithId(QStringLiteral("DELETE FROM trashed_item WHERE boardId = ?1"), boardId,
        QStringLiteral("Could not empty the trash"), context);
}

TrashStore::Result TrashStore::removeDeletedBefore(const QDateTime& cutoff, StoreContext& context)
{
    auto statement = context.statementWritingAtOnce(QStringLiteral("DELETE FROM trashed_item WHERE deletedAt < ?1"));
    if (!statement)
        return std::unexpected(statement.error());
    (*statement)->bindDate(1, cutoff);
    return (*statement)->run(QStringLiteral("Could not purge the trash"));
}
