// Bulk writes: rows written straight into the file in slices of one transaction, for an import
// that must not hold the window's thread for the whole write and must leave nothing if it stops.
#include "store/StoreContext.h"

#include "store/StoreRows.h"

namespace {
constexpr int bulkPageCacheKiB = 8192;

StoreError bulkError(const QString& reason)
{
    return StoreError {QStringLiteral("Could not write the imported records: %1").arg(reason)};
}
}

std::expected<void, StoreError> StoreContext::refuseDuringBulkWrite() const
{
    if (!m_bulkWrite)
        return {};
    return std::unexpected(
        StoreError {QStringLiteral("Could not save: an import is being written. The change is saved when it ends.")});
}

std::expected<void, StoreError> StoreContext::beginBulkWrite()
{
    if (m_bulkWrite)
        return std::unexpected(bulkError(QStringLiteral("another import is being written")));
    // Unsaved changes and what deferred saves hold are saved first: they must not share the fate of
    // the bulk write, nor wait for it.
    if (auto saved = hasChanges() ? save() : commitHeldSaves(); !saved)
        return saved;
    // Its commit does not wait for the disk: syncing the whole write's log would hold the window's
    // thread. A power cut may take the commit back, never half of it; the checkpoint the commit
    // sets off syncs the log on its own thread soon after, and the next synced save at the latest.
    m_transactionDeferred = m_db.execute(QStringLiteral("PRAGMA synchronous=NORMAL")).has_value();
    if (auto begun = m_db.execute(QStringLiteral("BEGIN IMMEDIATE")); !begun) {
        restoreSyncedLevel();
        return std::unexpected(bulkError(begun.error().message));
    }
    // A small cache spills the pages to the log slice by slice; the store's usual large one kept
    // them all for the commit to write, which then held the window's thread for that long.
    (void)m_db.execute(QStringLiteral("PRAGMA cache_size=-%1").arg(bulkPageCacheKiB));
    m_bulkWrite.emplace();
    return {};
}

std::expected<void, StoreError> StoreContext::writeBulk(
    const QList<LocalBoardFields>& boards, const QList<LocalItemFields>& items)
{
    if (!m_bulkWrite)
        return std::unexpected(bulkError(QStringLiteral("no import is being written")));
    // A full disk or an I/O error may have ended the transaction by itself.
    if (!m_db.inTransaction()) {
        rollBackBulkWrite();
        return std::unexpected(bulkError(QStringLiteral("the transaction ended early")));
    }
    auto upsertBoard = statement(StoreRows::upsertBoardSql());
    static const QString upsertItemSql = StoreRows::upsertItemsSql(1);
    static const QString upsertItemsSql = StoreRows::upsertItemsSql(StoreRows::itemsPerUpsert);
    auto upsertItem = statement(upsertItemSql);
    auto upsertItems = statement(upsertItemsSql);
    for (const auto* prepared : {&upsertBoard, &upsertItem, &upsertItems}) {
        if (!*prepared) {
            rollBackBulkWrite();
            return std::unexpected(prepared->error());
        }
    }
    const auto failed = [this](const StoreError& error) {
        rollBackBulkWrite();
        return std::unexpected(bulkError(error.message));
    };
    const QString doing = QStringLiteral("Could not save");

    for (const LocalBoardFields& board : boards) {
        StoreRows::bindBoard(**upsertBoard, board);
        if (auto done = (*upsertBoard)->run(doing); !done)
            return failed(done.error());
        if (m_boards.contains(board.id))
            m_bulkWrite->heldBoards.append(board);
    }
    qsizetype at = 0;
    for (; items.size() - at >= StoreRows::itemsPerUpsert; at += StoreRows::itemsPerUpsert) {
        for (int row = 0; row < StoreRows::itemsPerUpsert; ++row)
            StoreRows::bindItem(**upsertItems, items[at + row], row);
        if (auto done = (*upsertItems)->run(doing); !done)
            return failed(done.error());
    }
    for (; at < items.size(); ++at) {
        StoreRows::bindItem(**upsertItem, items[at]);
        if (auto done = (*upsertItem)->run(doing); !done)
            return failed(done.error());
    }
    for (const LocalItemFields& item : items) {
        if (m_items.contains(item.id))
            m_bulkWrite->heldItems.append(item);
    }
    return {};
}

std::expected<void, StoreError> StoreContext::commitBulkWrite()
{
    if (!m_bulkWrite)
        return std::unexpected(bulkError(QStringLiteral("no import is being written")));
    if (auto committed = m_db.execute(QStringLiteral("COMMIT")); !committed) {
        rollBackBulkWrite();
        return std::unexpected(bulkError(committed.error().message));
    }
    m_commitsNotSynced = restoreSyncedLevel() || m_commitsNotSynced;
    const BulkWrite written = std::move(*m_bulkWrite);
    m_bulkWrite.reset();
    for (const LocalBoardFields& fields : written.heldBoards) {
        const auto board = m_boards.value(fields.id);
        if (!board || board->m_pending)
            continue;
        board->m_fields = fields;
        board->m_deleted = false;
        board->m_inFile = true;
        Q_EMIT boardChanged(board.get());
    }
    for (const LocalItemFields& fields : written.heldItems) {
        const auto item = m_items.value(fields.id);
        if (!item || item->m_pending)
            continue;
        item->m_fields = fields;
        item->m_deleted = false;
        item->m_inFile = true;
        Q_EMIT itemChanged(item.get());
    }
    endBulkWrite();
    return {};
}

void StoreContext::rollBackBulkWrite()
{
    if (!m_bulkWrite)
        return;
    // Fails harmlessly when SQLite has already ended the transaction.
    (void)m_db.execute(QStringLiteral("ROLLBACK"));
    restoreSyncedLevel();
    m_bulkWrite.reset();
    endBulkWrite();
}

void StoreContext::endBulkWrite()
{
    (void)m_db.execute(QStringLiteral("PRAGMA cache_size=-%1").arg(storePageCacheKiB));
    // The saves refused meanwhile left their changes pending; a failure here keeps them so again.
    if (hasChanges())
        (void)save();
}
