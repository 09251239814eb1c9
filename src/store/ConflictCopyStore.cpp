#include "store/ConflictCopyStore.h"

namespace {
const QString columns = QStringLiteral(R"(id, itemId, boardId, boardName, content, status, assignee, createdBy, "order", savedAt, reason)");
}

std::expected<QList<ConflictCopy>, StoreError> ConflictCopyStore::fetchAll(StoreContext& context)
{
    auto statement = context.statement(
        QStringLiteral("SELECT %1 FROM conflict_copy ORDER BY savedAt, rowid").arg(columns));
    if (!statement)
        return std::unexpected(statement.error());
    SqliteStatement& query = **statement;
    QList<ConflictCopy> copies;
    const auto rows = query.forEachRow(QStringLiteral("Could not read conflict copies"), [&] {
        ConflictCopy copy;
        copy.id = query.uuid(0);
        copy.itemId = query.uuid(1);
        copy.boardId = query.uuid(2);
        copy.boardName = query.text(3);
        copy.content = query.text(4);
        copy.status = itemStatusFromText(query.text(5)).value_or(ItemStatus::todo);
        copy.assignee = query.optionalUuid(6);
        copy.createdBy = query.optionalUuid(7).value_or(QUuid());
        copy.order = query.integer(8);
        copy.savedAt = query.date(9);
        copy.reason = conflictReasonFromText(query.text(10));
        copies.append(copy);
    });
    if (!rows)
        return std::unexpected(rows.error());
    return copies;
}

ConflictCopyStore::Result ConflictCopyStore::insert(const ConflictCopy& copy, StoreContext& context)
{
    auto statement = context.statementWritingAtOnce(
        QStringLiteral("INSERT OR REPLACE INTO conflict_copy (%1) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
            .arg(columns));
    if (!statement)
        return std::unexpected(statement.error());
    SqliteStatement& query = **statement;
    query.bindUuid(1, copy.id);
    query.bindUuid(2, copy.itemId);
    query.bindUuid(3, copy.boardId);
    query.bindText(4, copy.boardName);
    query.bindText(5, copy.content);
    query.bindText(6, itemStatusText(copy.status));
    query.bindOptionalUuid(7, copy.assignee);
    query.bindOptionalUuid(8, copy.createdBy.isNull() ? std::nullopt : std::optional(copy.createdBy));
    query.bindInt(9, copy.order);
    query.bindDate(10, copy.savedAt);
    query.bindText(11, conflictReasonText(copy.reason));
    return query.run(QStringLiteral("Could not keep the conflict copy"));
}

ConflictCopyStore::Result ConflictCopyStore::remove(const QUuid& copyId, StoreContext& context)
{
    return removeAll({ copyId }, context);
}

ConflictCopyStore::Result ConflictCopyStore::removeAll(const QList<QUuid>& copyIds, StoreContext& context)
{
    auto statement = context.statementWritingAtOnce(QStringLiteral("DELETE FROM conflict_copy WHERE id = ?1"));
    if (!statement)
        return std::unexpected(statement.error());
    SqliteStatement& query = **statement;
    for (const QUuid& id : copyIds) {
        query.bindUuid(1, id);
        if (auto done = query.run(QStringLiteral("Could not remove the conflict copy")); !done)
            return done;
    }
    return {};
}
