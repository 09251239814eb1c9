// The store's vocabulary: every read and write of boards and items that the workspace and the
// sync need. Stateless; each operation works on the context it is given. Operations that return
// std::expected report a failed fetch and then change nothing; a failed save inside them is
// dropped on purpose, because the context keeps the change and the next save writes it.
#pragma once

#include "domain/Board.h"
#include "domain/RemoteItem.h"
#include "store/ItemQuery.h"
#include "store/LocalItem.h"
#include "store/StoreContext.h"
#include "store/StoreError.h"

#include <QList>
#include <QSet>
#include <QUuid>

#include <expected>
#include <memory>

class LocalDataService
{
public:
    using Result = std::expected<void, StoreError>;
    using Items = QList<std::shared_ptr<LocalItem>>;

    // Soft-deleted boards are left out; the store's order.
    static std::expected<QList<Board>, StoreError> fetchLocalBoards(StoreContext& context);
    // Cloud boards only, soft-deleted ones left out.
    static std::expected<QList<Board>, StoreError> fetchLocalCloudBoards(StoreContext& context);
    // Overwrites a stored board's attributes (not its id or soft deletion); never inserts.
    static Result updateLocalBoard(const Board& board, StoreContext& context);
    // Deletes the board record only, and saves only if there was one.
    static Result deleteLocalBoardRecord(const QUuid& boardId, StoreContext& context);
    // Deletes the board's items and then its record; the record's save also writes the items'.
    static Result deleteLocalBoard(const QUuid& boardId, StoreContext& context);

    // The board's items with at least that revision, newest update first.
    static std::expected<Items, StoreError> fetchLocalItems(const QUuid& boardId, qint64 minimumRevision,
        StoreContext& context);
    // Null when there is none, and when the fetch fails.
    static std::shared_ptr<LocalItem> fetchLocalItem(const QUuid& itemId, StoreContext& context);
    // Overwrites a stored item's attributes except id and createdAt; never inserts.
    static Result updateLocalItem(const Item& item, StoreContext& context);
    static Result deleteLocalItem(const QUuid& itemId, StoreContext& context);
    static Result deleteLocalItems(const QList<QUuid>& itemIds, StoreContext& context);
    // Unlike the others, also reports a failed save. Items in keepPending changed after they were
    // sent and stay pending, whether or not the save succeeds.
    static Result markLocalItemsSynced(const QUuid& boardId, StoreContext& context,
        const QSet<QUuid>& keepPending = {});
    // Pending changes of cloud boards, and of boards whose record is gone (a board that left the
    // service while it held changes): what the service has not received. Tombstones included.
    static std::expected<Items, StoreError> fetchUnsentCloudItems(StoreContext& context);
    // Removes every cloud board with its items (sign-out), and the items of boards whose record is
    // gone.
    static Result clearLocalCloudBoards(StoreContext& context);

    // The items of a board that the service has not accepted yet, in the store's order.
    static ItemQuery unsyncedItemsQuery(const QUuid& boardId);
    static RemoteItem toRemoteItem(const LocalItem& record);
    // Inserts the service's items that are not stored and overwrites those that are (the service's
    // copy wins; deletedAt and didSync of stored items stay as they are). One save at the end.
    // `applied`, when given, receives the record each id ended up in, so callers need not look the
    // ids up again.
    static Result applyRemoteItems(const QList<RemoteItem>& remoteItems, StoreContext& context,
        QHash<QUuid, std::shared_ptr<LocalItem>>* applied = nullptr);
    // One item of the service as applyRemoteItems writes it, onto `stored` (the record already
    // looked up for its id, or null when there is none); no save. Gives the record written.
    static std::shared_ptr<LocalItem> applyRemoteItem(const RemoteItem& remote,
        const std::shared_ptr<LocalItem>& stored, StoreContext& context);
};
