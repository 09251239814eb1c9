// Saving: writing the pending records, and the transaction that deferred saves keep open between
// them.
#include "store/StoreContext.h"

#include "store/StoreRows.h"

namespace {
// Deferred saves are held no longer than this without another: one that stops coming (a sync
// abandoned between steps) leaves nothing uncommitted, and keeps other writers waiting no longer.
constexpr int quietCommitMs = 250;

StoreError saveError(const StoreError& error)
{
    return StoreError {QStringLiteral("Could not save: %1").arg(error.message)};
}
}

void StoreContext::setUpHeldSaves()
{
    m_quietCommit.setSingleShot(true);
    connect(&m_quietCommit, &QTimer::timeout, this, [this] { (void)commitHeldSaves(); });
}

std::expected<void, StoreError> StoreContext::save(Durability durability)
{
    if (auto refused = refuseDuringBulkWrite(); !refused)
        return refused;
    noticeLostTransaction();
    if (!hasChanges())
        return durability == Durability::synced ? commit(Durability::synced) : std::expected<void, StoreError> {};
    if (!m_transactionOpen) {
        if (auto begun = beginTransaction(durability); !begun)
            return begun;
    }
    // A failed save ends the transaction: its own writes go, and the records of the saves it held
    // are unsaved again with it, for the next save to write. (A savepoint per save would keep them,
    // but it keeps every statement's undo pages until the save ends: a quarter more time per row.)
    if (auto written = writePending(); !written) {
        rollBack();
        return written;
    }

    holdWritten();
    std::expected<void, StoreError> result;
    // A full transaction commits on a turn of the event loop of its own (the commit takes about as
    // long as a step), unless saves come faster than turns and it grows twice as large.
    const qsizetype held = m_heldBoards.size() + m_heldItems.size();
    if (durability == Durability::synced || held >= 2 * heldRowsLimit)
        result = commit(durability);
    else
        m_quietCommit.start(held >= heldRowsLimit ? 0 : quietCommitMs);
    Q_EMIT saved();
    return result;
}

std::expected<void, StoreError> StoreContext::commitHeldSaves()
{
    return commit(Durability::deferred);
}

std::expected<void, StoreError> StoreContext::beginTransaction(Durability durability)
{
    // The level can only change outside a transaction; FULL is back before anything else commits.
    m_transactionDeferred = durability == Durability::deferred
        && m_db.execute(QStringLiteral("PRAGMA synchronous=NORMAL")).has_value();
    if (auto begun = m_db.execute(QStringLiteral("BEGIN IMMEDIATE")); !begun) {
        restoreSyncedLevel();
        return std::unexpected(saveError(begun.error()));
    }
    m_transactionOpen = true;
    return {};
}

std::expected<void, StoreError> StoreContext::commit(Durability durability)
{
    // Nothing is held while a bulk write is open, and its transaction is not ours to commit.
    if (m_bulkWrite)
        return {};
    noticeLostTransaction();
    if (m_transactionOpen) {
        m_quietCommit.stop();
        if (auto committed = m_db.execute(QStringLiteral("COMMIT")); !committed) {
            rollBack();
            return std::unexpected(saveError(committed.error()));
        }
        m_transactionOpen = false;
        // A synced commit syncs the whole log, deferred frames before it included.
        m_commitsNotSynced = restoreSyncedLevel();
        settleHeld();
    }
    if (durability == Durability::synced && m_commitsNotSynced)
        return syncCommitted();
    return {};
}

void StoreContext::rollBack()
{
    // Fails harmlessly when SQLite has already ended the transaction.
    (void)m_db.execute(QStringLiteral("ROLLBACK"));
    m_quietCommit.stop();
    m_transactionOpen = false;
    restoreSyncedLevel();
    takeBackHeld();
}

bool StoreContext::restoreSyncedLevel()
{
    const bool wasDeferred = std::exchange(m_transactionDeferred, false);
    if (wasDeferred)
        (void)m_db.execute(QStringLiteral("PRAGMA synchronous=FULL"));
    return wasDeferred;
}

// Some failures (a full disk, an I/O error, a trigger's RAISE(ROLLBACK)) end the whole transaction
// by themselves; what it held is then unsaved again.
void StoreContext::noticeLostTransaction()
{
    if (m_transactionOpen && !m_db.inTransaction())
        rollBack();
}

template <typename Record>
void StoreContext::hold(QList<std::shared_ptr<Record>>& pending, QList<HeldRecord<Record>>& held)
{
    for (const auto& record : std::as_const(pending)) {
        held.append({record, record->m_inFile});
        record->m_pending = false;
        record->m_inFile = !record->m_deleted;
    }
    pending.clear();
}

// Back to unsaved, ahead of the changes made since and as they were before their first held save.
template <typename Record>
void StoreContext::takeBack(QList<HeldRecord<Record>>& held, QList<std::shared_ptr<Record>>& pending)
{
    for (auto entry = held.crbegin(); entry != held.crend(); ++entry)
        entry->record->m_inFile = entry->wasInFile;
    QList<std::shared_ptr<Record>> unsaved;
    for (const auto& entry : std::as_const(held)) {
        if (!entry.record->m_pending) {
            entry.record->m_pending = true;
            unsaved.append(entry.record);
        }
    }
    pending = unsaved + pending;
    held.clear();
}

// A record deleted for good leaves the context, unless it was revived or deleted anew since.
template <typename Record>
void StoreContext::settle(QList<HeldRecord<Record>>& held, QHash<QUuid, std::shared_ptr<Record>>& records)
{
    for (const auto& entry : std::as_const(held)) {
        Record& record = *entry.record;
        if (record.m_deleted && !record.m_pending && records.value(record.id()) == entry.record) {
            records.remove(record.id());
            record.m_context = nullptr;
        }
    }
    held.clear();
}

void StoreContext::holdWritten()
{
    hold(m_pendingBoards, m_heldBoards);
    hold(m_pendingItems, m_heldItems);
}

void StoreContext::takeBackHeld()
{
    takeBack(m_heldBoards, m_pendingBoards);
    takeBack(m_heldItems, m_pendingItems);
}

void StoreContext::settleHeld()
{
    settle(m_heldBoards, m_boards);
    settle(m_heldItems, m_items);
}

std::expected<SqliteStatement*, StoreError> StoreContext::statementWritingAtOnce(const QString& sql)
{
    // Its write commits by itself, and must not join held saves whose failure would take it back.
    // A commit that fails rolls them back (to unsaved), so the write runs on its own either way.
    // During a bulk write it would join that write and could be taken back with it: it waits.
    if (auto refused = refuseDuringBulkWrite(); !refused)
        return std::unexpected(refused.error());
    (void)commitHeldSaves();
    return statement(sql);
}

std::expected<void, StoreError> StoreContext::writePending()
{
    auto upsertBoard = statement(StoreRows::upsertBoardSql());
    auto deleteBoard = statement(QStringLiteral("DELETE FROM local_board WHERE id = ?1"));
    auto updateBoard = statement(StoreRows::updateBoardSql());
    // Built once: the statement of many rows is a few kilobytes of text, and every save looks it up.
    static const QString upsertItemSql = StoreRows::upsertItemsSql(1);
    static const QString upsertItemsSql = StoreRows::upsertItemsSql(StoreRows::itemsPerUpsert);
    auto upsertItem = statement(upsertItemSql);
    auto upsertItems = statement(upsertItemsSql);
    auto deleteItem = statement(QStringLiteral("DELETE FROM local_item WHERE id = ?1"));
    for (const auto* prepared : { &upsertBoard, &deleteBoard, &updateBoard, &upsertItem, &upsertItems, &deleteItem }) {
        if (!*prepared)
            return std::unexpected(prepared->error());
    }

    const auto run = [](SqliteStatement& write) { return write.run(QStringLiteral("Could not save")); };
    for (const auto& board : std::as_const(m_pendingBoards)) {
        SqliteStatement& write = board->m_deleted ? **deleteBoard : board->m_inFile ? **updateBoard : **upsertBoard;
        if (board->m_deleted)
            write.bindUuid(1, board->id());
        else
            StoreRows::bindBoard(write, board->fields());
        if (auto done = run(write); !done)
            return done;
        if (&write == &**updateBoard && m_db.changes() == 0) {
            StoreRows::bindBoard(**upsertBoard, board->fields());
            if (auto done = run(**upsertBoard); !done)
                return done;
        }
    }

    // Items are written in their pending order: a run of items to keep goes out in full statements
    // of several rows, what is left of it one row at a time, before the next deletion. An upsert
    // also writes anew a saved row that vanished behind our back (another program).
    qsizetype runStart = 0;
    const auto writeKept = [&](qsizetype end) -> std::expected<void, StoreError> {
        for (; end - runStart >= StoreRows::itemsPerUpsert; runStart += StoreRows::itemsPerUpsert) {
            for (int row = 0; row < StoreRows::itemsPerUpsert; ++row)
                StoreRows::bindItem(**upsertItems, m_pendingItems[runStart + row]->fields(), row);
            if (auto done = run(**upsertItems); !done)
                return done;
        }
        for (; runStart < end; ++runStart) {
            StoreRows::bindItem(**upsertItem, m_pendingItems[runStart]->fields());
            if (auto done = run(**upsertItem); !done)
                return done;
        }
        return {};
    };
    for (qsizetype at = 0; at < m_pendingItems.size(); ++at) {
        const LocalItem& item = *m_pendingItems[at];
        if (!item.m_deleted)
            continue;
        if (auto done = writeKept(at); !done)
            return done;
        (*deleteItem)->bindUuid(1, item.id());
        if (auto done = run(**deleteItem); !done)
            return done;
        runStart = at + 1;
    }
    return writeKept(m_pendingItems.size());
}

std::expected<void, StoreError> StoreContext::syncCommitted()
{
    // Nothing is pending, so a synced commit needs something to write: the header's version,
    // unchanged, as the opening check does.
    const auto version = m_db.queryInteger(QStringLiteral("PRAGMA user_version"));
    if (!version)
        return std::unexpected(saveError(version.error()));
    if (auto written = m_db.execute(QStringLiteral("PRAGMA user_version = %1").arg(*version)); !written)
        return std::unexpected(saveError(written.error()));
    m_commitsNotSynced = false;
    return {};
}
