#include "TrashService.h"

#include "BoardService.h"
#include "Clock.h"
#include "Database.h"
#include "HttpError.h"

#include <QJsonArray>

namespace {
// In the trash: deleted, still holding its text, and deleted after the cutoff. Wire dates sort as text.
const QString trashedWhere
    = QStringLiteral("board_id = ? AND deleted_at IS NOT NULL AND deleted_at >= ? AND content <> ''");
}

TrashService::TrashService(Database& db, const Clock& clock, BoardService& boards)
    : m_db(db)
    , m_clock(clock)
    , m_boards(boards)
    , m_items(db, clock, boards)
{
}

QString TrashService::cutoff() const
{
    return Clock::iso(m_clock.now().addDays(-keptDays));
}

void TrashService::purgeExpired()
{
    m_db.execute(QStringLiteral("UPDATE items SET content = '' WHERE deleted_at IS NOT NULL AND deleted_at < ?"
                                " AND content <> ''"),
        {cutoff()});
}

QJsonObject TrashService::list(const Account& me, const QString& boardId)
{
    m_boards.requireMember(me, boardId);
    purgeExpired();
    QJsonArray items;
    for (const Row& row : m_db.query(
             QStringLiteral("SELECT id FROM items WHERE ") + trashedWhere + QStringLiteral(" ORDER BY deleted_at DESC, revision DESC"),
             {boardId, cutoff()})) {
        if (const auto item = m_items.find(row.text("id")))
            items.append(item->toJson());
    }
    return {{QStringLiteral("items"), items}};
}

ItemRecord TrashService::requireTrashed(const QString& boardId, const QString& itemId) const
{
    const auto found = m_db.queryOne(
        QStringLiteral("SELECT id FROM items WHERE id = ? AND ") + trashedWhere, {itemId, boardId, cutoff()});
    const auto item = found ? m_items.find(itemId) : std::nullopt;
    if (!item)
        throw HttpError(404, QStringLiteral("NOT_IN_TRASH"), QStringLiteral("This item is not in the board's trash."));
    return *item;
}

QJsonObject TrashService::restore(const Account& me, const QString& boardId, const QString& itemId)
{
    m_boards.lockMember(me, boardId);
    purgeExpired();
    ItemRecord item = requireTrashed(boardId, itemId);
    item.deletedAt.reset();
    m_items.save(item);
    return item.toResponseJson();
}

void TrashService::deletePermanently(const Account& me, const QString& boardId, const QString& itemId)
{
    m_boards.lockMember(me, boardId);
    purgeExpired();
    requireTrashed(boardId, itemId);
    m_db.execute(QStringLiteral("UPDATE items SET content = '' WHERE id = ?"), {itemId});
}

void TrashService::empty(const Account& me, const QString& boardId)
{
    m_boards.lockMember(me, boardId);
    m_db.execute(QStringLiteral("UPDATE items SET content = '' WHERE board_id = ? AND deleted_at IS NOT NULL"),
        {boardId});
}
