#include "ItemStore.h"

#include "BoardService.h"
#include "Clock.h"
#include "Database.h"
#include "TextLimits.h"

namespace {

QVariant optionalValue(const std::optional<QString>& value)
{
    return value ? QVariant(*value) : QVariant();
}

ItemRecord itemFrom(const Row& row)
{
    return {row.text("id"), row.text("board_id"), row.text("content"), row.text("status"),
        row.integer("sort_order"), row.text("created_by"), row.optionalText("assignee"),
        row.optionalText("author"), row.text("created_at"), row.text("updated_at"),
        row.optionalText("deleted_at"), row.optionalText("archived_at"), row.integer("revision"),
        row.integer("added_seq")};
}

} // namespace

QJsonObject ItemRecord::toJson() const
{
    QJsonObject json {{QStringLiteral("id"), id}, {QStringLiteral("content"), content},
        {QStringLiteral("status"), status}, {QStringLiteral("boardId"), boardId},
        {QStringLiteral("createdAt"), createdAt}, {QStringLiteral("createdBy"), createdBy},
        {QStringLiteral("order"), order}, {QStringLiteral("updatedAt"), updatedAt},
        {QStringLiteral("revision"), revision}};
    if (assignee)
        json.insert(QStringLiteral("assignee"), *assignee);
    if (author)
        json.insert(QStringLiteral("author"), *author);
    if (deletedAt)
        json.insert(QStringLiteral("deletedAt"), *deletedAt);
    if (archivedAt)
        json.insert(QStringLiteral("archivedAt"), *archivedAt);
    return json;
}

QJsonObject ItemRecord::toResponseJson() const
{
    return {{QStringLiteral("id"), id}, {QStringLiteral("revision"), revision},
        {QStringLiteral("updatedAt"), updatedAt}};
}

void ItemStore::atomically(const std::function<void()>& work)
{
    // Inside a request's transaction a failed write fails the whole request, so a savepoint of its
    // own would only cost two more statements per item of a sync.
    if (m_db.inTransaction())
        work();
    else
        m_db.transaction(work);
}

ItemStore::ItemStore(Database& db, const Clock& clock, BoardService& boards)
    : m_db(db)
    , m_clock(clock)
    , m_boards(boards)
{
}

std::optional<ItemRecord> ItemStore::find(const QString& itemId) const
{
    if (auto row = m_db.queryOne(QStringLiteral("SELECT * FROM items WHERE id = ?"), {itemId}))
        return itemFrom(*row);
    return std::nullopt;
}

qint64 ItemStore::insert(ItemRecord& item)
{
    atomically([&] {
        item.revision = m_boards.advanceRevision(item.boardId);
        item.addedSeq = item.revision;
        item.updatedAt = m_clock.isoNow();
        if (item.createdAt.isEmpty())
            item.createdAt = item.updatedAt;
        write(item, true);
        logChange(item.boardId, item.revision, item.id, ChangeKind::Upsert);
    });
    return item.revision;
}

qint64 ItemStore::save(ItemRecord& item)
{
    atomically([&] {
        item.revision = m_boards.advanceRevision(item.boardId);
        item.updatedAt = m_clock.isoNow();
        write(item, false);
        logChange(item.boardId, item.revision, item.id, ChangeKind::Upsert);
    });
    return item.revision;
}

qint64 ItemStore::tombstone(ItemRecord& item)
{
    atomically([&] {
        item.revision = m_boards.advanceRevision(item.boardId);
        item.updatedAt = m_clock.isoNow();
        item.deletedAt = item.updatedAt;
        write(item, false);
        logChange(item.boardId, item.revision, item.id, ChangeKind::Remove);
    });
    return item.revision;
}

qint64 ItemStore::moveToBoard(ItemRecord& item, const QString& targetBoardId)
{
    atomically([&] {
        const qint64 leftAt = m_boards.advanceRevision(item.boardId);
        logChange(item.boardId, leftAt, item.id, ChangeKind::Remove);
        item.boardId = targetBoardId;
        item.revision = m_boards.advanceRevision(targetBoardId);
        item.addedSeq = item.revision;
        item.updatedAt = m_clock.isoNow();
        write(item, false);
        logChange(targetBoardId, item.revision, item.id, ChangeKind::Upsert);
    });
    return item.revision;
}

QList<ItemChange> ItemStore::changesSince(const QString& boardId, qint64 checkpoint) const
{
    // The keys and types of ItemRecord::toJson, absent optional fields left out: SQLite's merge patch
    // drops the keys whose value is null, PostgreSQL strips them.
    static const auto statement = [](bool postgres) {
        const QString fields
            = QStringLiteral("'id', i.id, 'content', i.content, 'status', i.status, 'boardId', i.board_id,"
                             " 'createdAt', i.created_at, 'createdBy', i.created_by, 'order', i.sort_order,"
                             " 'updatedAt', i.updated_at, 'revision', i.revision");
        const QString optionalFields
            = QStringLiteral("'assignee', i.assignee, 'author', i.author,"
                             " 'deletedAt', i.deleted_at, 'archivedAt', i.archived_at");
        // The merge parses both objects again, so an item without optional fields (most) skips it.
        const QString json = postgres
            ? QStringLiteral("json_strip_nulls(json_build_object(%1, %2))").arg(fields, optionalFields)
            : QStringLiteral("CASE WHEN i.assignee IS NULL AND i.author IS NULL AND i.deleted_at IS NULL"
                             " AND i.archived_at IS NULL THEN json_object(%1)"
                             " ELSE json_patch(json_object(%1), json_object(%2)) END")
                  .arg(fields, optionalFields);
        // One row per item (see logChange), read along the (board, seq) key: the cost follows the
        // changes answered, not the board's history.
        return QStringLiteral(
            "SELECT c.item_id, c.kind, c.seq, i.added_seq,"
            " (i.id IS NOT NULL AND i.board_id = c.board_id AND i.deleted_at IS NULL) AS live,"
            " %1 AS item FROM changes c LEFT JOIN items i ON i.id = c.item_id"
            " WHERE c.board_id = ? AND c.seq > ? ORDER BY c.seq")
            .arg(json);
    };
    // Built once: every sync runs it.
    static const QString sqlite = statement(false);
    static const QString postgres = statement(true);
    QList<ItemChange> changes;
    for (const Row& row :
        m_db.query(m_db.engine() == Database::Engine::Postgres ? postgres : sqlite, {boardId, checkpoint})) {
        ItemChange change;
        change.itemId = row.text(QStringLiteral("item_id"));
        change.seq = row.integer(QStringLiteral("seq"));
        change.kind = row.text(QStringLiteral("kind")) == QLatin1String("remove") ? ChangeKind::Remove
                                                                                  : ChangeKind::Upsert;
        change.live = row.integer(QStringLiteral("live")) != 0;
        if (change.live) {
            change.addedSeq = row.integer(QStringLiteral("added_seq"));
            change.json = row.text(QStringLiteral("item")).toUtf8();
        }
        changes.append(std::move(change));
    }
    return changes;
}

std::optional<QString> ItemStore::contentProblem(const QString& content)
{
    return TextLimits::problem(QStringLiteral("Item text"), content, TextLimits::itemContent);
}

std::optional<QString> ItemStore::statusProblem(const QString& status)
{
    if (status == QLatin1String("TODO") || status == QLatin1String("IN_PROGRESS")
        || status == QLatin1String("DONE"))
        return std::nullopt;
    return QStringLiteral("\"%1\" is not a status; use TODO, IN_PROGRESS or DONE.").arg(status);
}

void ItemStore::write(const ItemRecord& item, bool insert)
{
    const QVariantList values {item.boardId, item.content, item.status, item.order, item.createdBy,
        optionalValue(item.assignee), optionalValue(item.author), item.createdAt, item.updatedAt,
        optionalValue(item.deletedAt), optionalValue(item.archivedAt), item.revision, item.addedSeq, item.id};
    if (insert)
        m_db.executeLater(
            QStringLiteral(
                "INSERT INTO items (board_id, content, status, sort_order, created_by, assignee, author,"
                " created_at, updated_at, deleted_at, archived_at, revision, added_seq, id)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            values);
    else
        m_db.executeLater(
            QStringLiteral(
                "UPDATE items SET board_id = ?, content = ?, status = ?, sort_order = ?, created_by = ?,"
                " assignee = ?, author = ?, created_at = ?, updated_at = ?, deleted_at = ?,"
                " archived_at = ?, revision = ?, added_seq = ? WHERE id = ?"),
            values);
}

void ItemStore::logChange(const QString& boardId, qint64 seq, const QString& itemId, ChangeKind kind)
{
    // The item's earlier change on this board is replaced: a sync only ever asks for the latest.
    m_db.executeLater(QStringLiteral("INSERT INTO changes (board_id, seq, item_id, kind) VALUES (?, ?, ?, ?)"
                                     " ON CONFLICT (board_id, item_id) DO UPDATE SET seq = excluded.seq,"
                                     " kind = excluded.kind"),
        {boardId, seq, itemId,
            kind == ChangeKind::Remove ? QStringLiteral("remove") : QStringLiteral("upsert")});
}
