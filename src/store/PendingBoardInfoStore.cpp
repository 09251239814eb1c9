#include "store/PendingBoardInfoStore.h"

std::optional<QString> PendingBoardInfoStore::get(const QUuid& boardId, StoreContext& context)
{
    auto statement = context.statement(QStringLiteral("SELECT info FROM pending_board_info WHERE boardId = ?1"));
    if (!statement)
        return std::nullopt;
    SqliteStatement& query = **statement;
    query.bindUuid(1, boardId);
    std::optional<QString> info;
    if (query.step() == SqliteStatement::Step::row)
        info = query.text(0);
    query.reset();
    return info;
}

PendingBoardInfoStore::Result PendingBoardInfoStore::set(const QUuid& boardId, const QString& info, StoreContext& context)
{
    auto statement
        = context.statementWritingAtOnce(QStringLiteral("INSERT OR REPLACE INTO pending_board_info (boardId, info) VALUES (?1, ?2)"));
    if (!statement)
        return std::unexpected(statement.error());
    SqliteStatement& query = **statement;
    query.bindUuid(1, boardId);
    query.bindText(2, info);
    return query.run(QStringLiteral("Could not keep the board description"));
}

PendingBoardInfoStore::Result PendingBoardInfoStore::remove(const QUuid& boardId, StoreContext& context)
{
    auto statement = context.statementWritingAtOnce(QStringLiteral("DELETE FROM pending_board_info WHERE boardId = ?1"));
    if (!statement)
        return std::unexpected(statement.error());
    SqliteStatement& query = **statement;
    query.bindUuid(1, boardId);
    return query.run(QStringLiteral("Could not clear the board description"));
}

std::expected<QList<QUuid>, StoreError> PendingBoardInfoStore::boards(StoreContext& context)
{
    auto statement = context.statement(QStringLiteral("SELECT boardId FROM pending_board_info"));
    if (!statement)
        return std::unexpected(statement.error());
    QList<QUuid> ids;
    SqliteStatement& query = **statement;
    auto read = query.forEachRow(
        QStringLiteral("Could not read the pending board descriptions"), [&] { ids.append(query.uuid(0)); });
    if (!read)
        return std::unexpected(read.error());
    return ids;
}
