#include "store/StoreContext.h"

#include "domain/Ids.h"
#include "store/NewestFirst.h"
#include "store/StoreRows.h"
#include "store/StoreSchema.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace {
// Enough ids per lookup to make 10,000 items a handful of queries, well under SQLite's limit on
// bound parameters.
constexpr qsizetype idsPerLookup = 500;

QString whereClause(const QStringList& conditions)
{
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}
}

void LocalBoard::announceChange()
{
    if (m_context)
        m_context->noteChanged(this);
}

void LocalItem::announceChange()
{
    if (m_context)
        m_context->noteChanged(this);
}

std::expected<std::unique_ptr<StoreContext>, StoreError> StoreContext::open(const QString& fileName, Options options)
{
    auto db = SqliteDatabase::open(fileName, options.busyTimeoutMs);
    if (!db)
        return std::unexpected(db.error());
    if (auto prepared = StoreSchema::prepare(*db); !prepared)
        return std::unexpected(prepared.error());
    return std::unique_ptr<StoreContext>(new StoreContext(fileName, std::move(*db)));
}

StoreContext::StoreContext(QString fileName, SqliteDatabase db)
    : m_db(std::move(db))
    , m_checkpointer(WalCheckpointer::start(m_db.handle(), fileName))
    , m_fileName(std::move(fileName))
{
    setUpHeldSaves();
}

StoreContext::~StoreContext()
{
    // An import still being written is taken back, and the saves it refused are made now.
    rollBackBulkWrite();
    (void)commitHeldSaves();
    // Callers may still hold records; they become plain values that nobody writes.
    for (const auto& board : std::as_const(m_boards))
        board->m_context = nullptr;
    for (const auto& item : std::as_const(m_items))
        item->m_context = nullptr;
}

std::expected<SqliteStatement*, StoreError> StoreContext::statement(const QString& sql)
{
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        auto prepared = m_db.prepare(sql);
        if (!prepared)
            return std::unexpected(prepared.error());
        found = m_statements.emplace(sql, std::move(*prepared)).first;
    }
    return &found->second;
}

void StoreContext::noteChanged(LocalBoard* board)
{
    if (!board->m_pending) {
        board->m_pending = true;
        m_pendingBoards.append(m_boards.value(board->id()));
    }
    Q_EMIT boardChanged(board);
}

void StoreContext::noteChanged(LocalItem* item)
{
    if (!item->m_pending) {
        item->m_pending = true;
        m_pendingItems.append(m_items.value(item->id()));
    }
    Q_EMIT itemChanged(item);
}

template <typename Record>
std::shared_ptr<Record> StoreContext::adopt(
    QHash<QUuid, std::shared_ptr<Record>>& records, const std::shared_ptr<Record>& record)
{
    if (!record)
        return nullptr;
    if (const auto existing = records.value(record->id())) {
        if (existing != record) {
            existing->m_fields = record->fields();
            record->m_deleted = false;
        }
        existing->m_deleted = false;
        noteChanged(existing.get());
        return existing;
    }
    record->m_context = this;
    record->m_deleted = false;
    records.insert(record->id(), record);
    noteChanged(record.get());
    return record;
}

template <typename Record>
void StoreContext::markDeleted(const std::shared_ptr<Record>& record)
{
    if (!record || record->m_context != this || record->m_deleted)
        return;
    record->m_deleted = true;
    noteChanged(record.get());
}

template <typename Record, typename Fields>
std::shared_ptr<Record> StoreContext::registered(QHash<QUuid, std::shared_ptr<Record>>& records, Fields fields)
{
    if (auto existing = records.value(fields.id))
        return existing;
    auto record = std::make_shared<Record>(std::move(fields));
    record->m_context = this;
    record->m_inFile = true;
    records.insert(record->id(), record);
    return record;
}

std::shared_ptr<LocalBoard> StoreContext::insert(const std::shared_ptr<LocalBoard>& board)
{
    return adopt(m_boards, board);
}

std::shared_ptr<LocalItem> StoreContext::insert(const std::shared_ptr<LocalItem>& item)
{
    return adopt(m_items, item);
}

void StoreContext::remove(const std::shared_ptr<LocalBoard>& board)
{
    markDeleted(board);
}

void StoreContext::remove(const std::shared_ptr<LocalItem>& item)
{
    markDeleted(item);
}

std::shared_ptr<LocalBoard> StoreContext::registeredBoard(LocalBoardFields fields)
{
    return registered<LocalBoard>(m_boards, std::move(fields));
}

std::shared_ptr<LocalItem> StoreContext::registeredItem(LocalItemFields fields)
{
    return registered<LocalItem>(m_items, std::move(fields));
}

std::expected<QList<std::shared_ptr<LocalBoard>>, StoreError> StoreContext::fetchBoards(const BoardQuery& query)
{
    QStringList conditions;
    if (query.id)
        conditions << QStringLiteral("id = :id");
    if (query.syncWithServer)
        conditions << QStringLiteral("syncWithServer = :sync");
    const QString sql = QStringLiteral("SELECT %1 FROM local_board%2 ORDER BY rowid")
                            .arg(QLatin1String(StoreRows::boardColumns), whereClause(conditions));
    auto prepared = statement(sql);
    if (!prepared)
        return std::unexpected(prepared.error());
    SqliteStatement& select = **prepared;
    int index = 1;
    if (query.id)
        select.bindUuid(index++, *query.id);
    if (query.syncWithServer)
        select.bindBool(index++, *query.syncWithServer);

    // A saved row may have unsaved changes here, so every candidate is judged by its record.
    QList<std::shared_ptr<LocalBoard>> result;
    QSet<QUuid> seen;
    const auto rows = select.forEachRow(QStringLiteral("Could not fetch boards"), [&] {
        auto board = registeredBoard(StoreRows::readBoard(select));
        seen.insert(board->id());
        if (!board->m_deleted && query.matches(board->fields()))
            result.append(board);
    });
    if (!rows)
        return std::unexpected(rows.error());
    for (const auto& board : std::as_const(m_pendingBoards)) {
        if (!board->m_deleted && !seen.contains(board->id()) && query.matches(board->fields()))
            result.append(board);
    }
    return result;
}

std::expected<QList<std::shared_ptr<LocalItem>>, StoreError> StoreContext::fetchItems(const ItemQuery& query)
{
    QStringList conditions;
    if (query.id)
        conditions << QStringLiteral("id = :id");
    if (query.boardId)
        conditions << QStringLiteral("boardId = :board");
    if (query.minimumRevision)
        conditions << QStringLiteral("revision >= :revision");
    if (query.didSync)
        conditions << QStringLiteral("didSync = :synced");
    // Rows sorted by the caller anyway come in the index's order: sorting a board's rows by rowid
    // first copies every column through a temporary tree (a third of reading a large board).
    const bool sortedHere = query.order == ItemQuery::Order::updatedAtNewestFirst;
    const QString sql = QStringLiteral("SELECT %1 FROM local_item%2%3")
                            .arg(QLatin1String(StoreRows::itemColumns), whereClause(conditions),
                                sortedHere ? QString() : QStringLiteral(" ORDER BY rowid"));
    auto prepared = statement(sql);
    if (!prepared)
        return std::unexpected(prepared.error());
    SqliteStatement& select = **prepared;
    int index = 1;
    if (query.id)
        select.bindUuid(index++, *query.id);
    if (query.boardId)
        select.bindUuid(index++, *query.boardId);
    if (query.minimumRevision)
        select.bindInt(index++, *query.minimumRevision);
    if (query.didSync)
        select.bindBool(index++, *query.didSync);

    QList<std::shared_ptr<LocalItem>> result;
    QSet<QUuid> seen;
    const auto rows = select.forEachRow(QStringLiteral("Could not fetch items"), [&] {
        auto item = registeredItem(StoreRows::readItem(select));
        // Only unsaved items need telling apart from the rows read.
        if (!m_pendingItems.isEmpty())
            seen.insert(item->id());
        if (!item->m_deleted && query.matches(item->fields()))
            result.append(item);
    });
    if (!rows)
        return std::unexpected(rows.error());
    for (const auto& item : std::as_const(m_pendingItems)) {
        if (!item->m_deleted && !seen.contains(item->id()) && query.matches(item->fields()))
            result.append(item);
    }
    if (query.order == ItemQuery::Order::updatedAtNewestFirst)
        sortNewestFirst(result, [](const auto& item) -> const QDateTime& { return item->updatedAt(); });
    return result;
}

std::expected<qsizetype, StoreError> StoreContext::countBoards(const BoardQuery& query)
{
    const auto boards = fetchBoards(query);
    if (!boards)
        return std::unexpected(boards.error());
    return boards->size();
}

std::expected<qsizetype, StoreError> StoreContext::countItems(const ItemQuery& query)
{
    const auto items = fetchItems(query);
    if (!items)
        return std::unexpected(items.error());
    return items->size();
}

namespace {
void count(OverallBoardProgress& tally, ItemStatus status, qint64 items)
{
    tally.total += items;
    switch (status) {
    case ItemStatus::todo:
        tally.todo += items;
        break;
    case ItemStatus::inProgress:
        tally.inProgress += items;
        break;
    case ItemStatus::done:
        tally.done += items;
        break;
    }
}
}

std::expected<QHash<QUuid, OverallBoardProgress>, StoreError> StoreContext::fetchItemTallies()
{
    auto prepared
        = statement(QStringLiteral("SELECT boardId, status, count FROM item_tally WHERE count > 0"));
    if (!prepared)
        return std::unexpected(prepared.error());
    SqliteStatement& select = **prepared;
    QHash<QUuid, OverallBoardProgress> tallies;
    const auto rows = select.forEachRow(QStringLiteral("Could not count items"), [&] {
        if (const auto status = itemStatusFromText(select.text(1)))
            count(tallies[select.uuid(0)], *status, select.integer(2));
    });
    if (!rows)
        return std::unexpected(rows.error());
    if (m_pendingItems.isEmpty())
        return tallies;

    // Unsaved changes (left by a failed save) are not in the table yet: the boards they touch, as
    // saved and as changed, are counted from their records instead.
    QSet<QUuid> touched;
    auto savedBoard = statement(QStringLiteral("SELECT boardId FROM local_item WHERE id = ?1"));
    if (!savedBoard)
        return std::unexpected(savedBoard.error());
    for (const auto& item : std::as_const(m_pendingItems)) {
        touched.insert(item->boardId());
        if (!item->m_inFile)
            continue;
        (*savedBoard)->bindUuid(1, item->id());
        if ((*savedBoard)->step() == SqliteStatement::Step::row)
            touched.insert((*savedBoard)->uuid(0));
        (*savedBoard)->reset();
    }
    for (const QUuid& boardId : std::as_const(touched)) {
        const auto items = fetchItems(ItemQuery::onBoard(boardId));
        if (!items)
            return std::unexpected(items.error());
        OverallBoardProgress tally;
        for (const auto& item : *items) {
            if (!item->deletedAt())
                count(tally, item->status(), 1);
        }
        if (tally.total > 0)
            tallies.insert(boardId, tally);
        else
            tallies.remove(boardId);
    }
    return tallies;
}

std::expected<QHash<QUuid, std::shared_ptr<LocalItem>>, StoreError> StoreContext::fetchItemsWithIds(
    const QList<QUuid>& ids)
{
    QHash<QUuid, std::shared_ptr<LocalItem>> found;
    found.reserve(ids.size());
    // Ids this context already holds need no query; their records may carry unsaved changes.
    QList<QUuid> unknown;
    for (const QUuid& id : ids) {
        if (const auto item = m_items.value(id)) {
            if (!item->m_deleted)
                found.insert(id, item);
        } else {
            unknown.append(id);
        }
    }
    if (unknown.isEmpty())
        return found;

    QStringList placeholders;
    for (qsizetype i = 0; i < idsPerLookup; ++i)
        placeholders << QStringLiteral("?");
    const QString sql = QStringLiteral("SELECT %1 FROM local_item WHERE id IN (%2)")
                            .arg(QLatin1String(StoreRows::itemColumns), placeholders.join(QLatin1Char(',')));
    auto prepared = statement(sql);
    if (!prepared)
        return std::unexpected(prepared.error());
    SqliteStatement& select = **prepared;
    for (qsizetype start = 0; start < unknown.size(); start += idsPerLookup) {
        // The last chunk repeats its final id to fill the statement's fixed number of parameters.
        for (qsizetype i = 0; i < idsPerLookup; ++i)
            select.bindUuid(int(i + 1), unknown[std::min(start + i, unknown.size() - 1)]);
        const auto rows = select.forEachRow(QStringLiteral("Could not fetch items"), [&] {
            auto item = registeredItem(StoreRows::readItem(select));
            found.insert(item->id(), item);
        });
        if (!rows)
            return std::unexpected(rows.error());
    }
    return found;
}

std::expected<void, StoreError> StoreContext::transaction(const std::function<void()>& block)
{
    block();
    return save();
}
