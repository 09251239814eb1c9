// The unit of work over one store file. Records fetched or inserted here are owned by the context
// (one record per id); inserts, changes and deletions stay pending until save() writes them all
// in one transaction. A failed save keeps every pending change for the next save. Fetches see the
// pending changes, as if they were already saved. Used on the UI thread only.
#pragma once

#include "domain/ColumnCounts.h"
#include "domain/OverallBoardProgress.h"
#include "store/BoardQuery.h"
#include "store/ItemQuery.h"
#include "store/LocalBoard.h"
#include "store/LocalItem.h"
#include "store/SqliteDatabase.h"
#include "store/StoreError.h"
#include "store/WalCheckpointer.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUuid>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

class StoreContext : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        // How long a save waits for another connection's write lock before it fails.
        int busyTimeoutMs = 5000;
    };

    // Opens (creating if needed) the store file read-write and prepares its tables.
    static std::expected<std::unique_ptr<StoreContext>, StoreError> open(const QString& fileName, Options options);
    static std::expected<std::unique_ptr<StoreContext>, StoreError> open(const QString& fileName)
    {
        return open(fileName, Options {});
    }
    ~StoreContext() override;

    const QString& fileName() const { return m_fileName; }

    // Registers a new record. If the context already has a record with that id (saved or not),
    // that record takes every attribute of the given one and is returned instead: an id never
    // exists twice. Use the returned record from then on.
    std::shared_ptr<LocalBoard> insert(const std::shared_ptr<LocalBoard>& board);
    std::shared_ptr<LocalItem> insert(const std::shared_ptr<LocalItem>& item);
    // Marks a record of this context deleted; it disappears from fetches at once and from the
    // file with the next save. Records of other contexts are ignored.
    void remove(const std::shared_ptr<LocalBoard>& board);
    void remove(const std::shared_ptr<LocalItem>& item);

    // In the store's own order (saved rows first, then unsaved inserts) unless the query sorts.
    std::expected<QList<std::shared_ptr<LocalBoard>>, StoreError> fetchBoards(const BoardQuery& query);
    std::expected<QList<std::shared_ptr<LocalItem>>, StoreError> fetchItems(const ItemQuery& query);
    std::expected<qsizetype, StoreError> countBoards(const BoardQuery& query);
    std::expected<qsizetype, StoreError> countItems(const ItemQuery& query);
    // Undeleted items per board and status (archived ones included), unsaved changes counted; boards
    // without items are absent. Reads a small table the store keeps up to date, not the items.
    std::expected<QHash<QUuid, OverallBoardProgress>, StoreError> fetchItemTallies();
    // The first `perColumn` live and `perColumn` archived items of each of the board's columns (by
    // order, newest first among equals) and the whole board's counts, without reading its other
    // rows: what a large board's first paint needs. Only while nothing is unsaved (the rows are
    // read as saved); with unsaved changes it fails, and the board is read whole instead.
    struct FirstPage
    {
        QList<std::shared_ptr<LocalItem>> items;
        ColumnCounts counts;
    };
    std::expected<FirstPage, StoreError> fetchFirstPage(const QUuid& boardId, int perColumn);
    // One lookup for many ids (a handful of queries, not one per id); ids not stored are absent.
    std::expected<QHash<QUuid, std::shared_ptr<LocalItem>>, StoreError> fetchItemsWithIds(
        const QList<QUuid>& ids);

    bool hasChanges() const { return !m_pendingBoards.isEmpty() || !m_pendingItems.isEmpty(); }
    // `synced` commits and waits until the commit is on the disk, with everything deferred saves
    // held. `deferred` may leave both to later: its writes join a transaction kept open across
    // deferred saves (fewer, larger commits write far less log), committed without waiting for the
    // disk once it holds enough rows or after a moment without another save. Fetches here see them
    // at once, other connections after the commit; should the commit fail, they are unsaved again.
    // Only for writes whose loss a later step makes good, such as a sync's steps before its
    // checkpoint moves.
    enum class Durability { synced, deferred };
    std::expected<void, StoreError> save(Durability durability = Durability::synced);
    // Rows that deferred saves hold before their transaction commits. Every commit copies each page
    // it touched into the log, and a sync's new ids land all over the id index: a commit per step
    // rewrote most of that index every step. Larger commits write less log but each takes longer;
    // one of this size takes about as long as a step.
    static constexpr qsizetype heldRowsLimit = 4096;
    // Commits what deferred saves hold (without waiting for the disk): before another connection
    // reads the file.
    std::expected<void, StoreError> commitHeldSaves();
    bool holdsUncommittedSaves() const { return m_transactionOpen; }
    // Runs the block, then saves: every change the block makes is written together or not at all.
    std::expected<void, StoreError> transaction(const std::function<void()>& block);

    // A write too large for one turn of the event loop (an import): rows written straight into
    // the file in slices, the event loop turning between them, all in one transaction that
    // commitBulkWrite() commits (synced) or rollBackBulkWrite() takes back whole. Meanwhile save()
    // and the writes that commit at once fail, their changes left unsaved, so that taking the bulk
    // write back takes nothing else with it; once it ends, what they left is saved. When it commits,
    // the records this context holds for the ids written take the written fields, unless they carry
    // unsaved changes of their own (those are saved over it).
    std::expected<void, StoreError> beginBulkWrite();
    std::expected<void, StoreError> writeBulk(const QList<LocalBoardFields>& boards, const QList<LocalItemFields>& items);
    std::expected<void, StoreError> commitBulkWrite();
    void rollBackBulkWrite();
    bool inBulkWrite() const { return m_bulkWrite.has_value(); }

Q_SIGNALS:
    // A record was inserted, changed or deleted in this context (saved or not).
    void boardChanged(LocalBoard* board);
    void itemChanged(LocalItem* item);
    void saved();

private:
    friend class LocalBoard;
    friend class LocalItem;
    // Conflict copies and pending board descriptions share the connection and its statement cache but not the unit of work.
    friend class ConflictCopyStore;
    friend class PendingBoardInfoStore;
    friend class TrashStore;

    StoreContext(QString fileName, SqliteDatabase db);
    std::expected<SqliteStatement*, StoreError> statement(const QString& sql);
    void noteChanged(LocalBoard* board);
    void noteChanged(LocalItem* item);
    std::shared_ptr<LocalItem> registeredItem(LocalItemFields fields);
    std::shared_ptr<LocalBoard> registeredBoard(LocalBoardFields fields);
    // What insert, remove and the registered records do alike for boards and items: one record per
    // id, owned by this context.
    template <typename Record>
    std::shared_ptr<Record> adopt(QHash<QUuid, std::shared_ptr<Record>>& records, const std::shared_ptr<Record>& record);
    template <typename Record>
    void markDeleted(const std::shared_ptr<Record>& record);
    template <typename Record, typename Fields>
    std::shared_ptr<Record> registered(QHash<QUuid, std::shared_ptr<Record>>& records, Fields fields);
    // For writes that must not wait for a commit (conflict copies): what deferred saves hold is
    // committed first, so that their failure cannot take this write back with it.
    std::expected<SqliteStatement*, StoreError> statementWritingAtOnce(const QString& sql);

    // A record written by a save whose transaction has not committed yet.
    template <typename Record>
    struct HeldRecord
    {
        std::shared_ptr<Record> record;
        bool wasInFile;
    };
    void setUpHeldSaves();
    std::expected<void, StoreError> writePending();
    std::expected<void, StoreError> beginTransaction(Durability durability);
    std::expected<void, StoreError> commit(Durability durability);
    void rollBack();
    // Returns whether the transaction skipped the disk sync.
    bool restoreSyncedLevel();
    void noticeLostTransaction();
    std::expected<void, StoreError> syncCommitted();
    void holdWritten();
    void takeBackHeld();
    void settleHeld();
    template <typename Record>
    static void hold(QList<std::shared_ptr<Record>>& pending, QList<HeldRecord<Record>>& held);
    template <typename Record>
    static void takeBack(QList<HeldRecord<Record>>& held, QList<std::shared_ptr<Record>>& pending);
    template <typename Record>
    static void settle(QList<HeldRecord<Record>>& held, QHash<QUuid, std::shared_ptr<Record>>& records);

    // Declared first so it closes after the statements are finalised.
    SqliteDatabase m_db;
    // Stopped before the connection it watches closes.
    std::unique_ptr<WalCheckpointer> m_checkpointer;
    QString m_fileName;
    std::unordered_map<QString, SqliteStatement> m_statements;
    QHash<QUuid, std::shared_ptr<LocalBoard>> m_boards;
    QHash<QUuid, std::shared_ptr<LocalItem>> m_items;
    QList<std::shared_ptr<LocalBoard>> m_pendingBoards;
    QList<std::shared_ptr<LocalItem>> m_pendingItems;
    // A deferred commit is not on the disk until a synced one follows.
    bool m_commitsNotSynced = false;
    // Deferred saves' transaction, open across saves until it commits.
    bool m_transactionOpen = false;
    bool m_transactionDeferred = false;
    QList<HeldRecord<LocalBoard>> m_heldBoards;
    QList<HeldRecord<LocalItem>> m_heldItems;
    QTimer m_quietCommit;
    // Rows of an open bulk write whose ids this context holds records for.
    struct BulkWrite
    {
        QList<LocalBoardFields> heldBoards;
        QList<LocalItemFields> heldItems;
    };
    std::optional<BulkWrite> m_bulkWrite;
    std::expected<void, StoreError> refuseDuringBulkWrite() const;
    void endBulkWrite();
};
