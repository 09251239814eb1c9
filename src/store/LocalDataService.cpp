#include "store/LocalDataService.h"

#include "domain/IsoDate.h"
#include "domain/WireConversions.h"
#include "store/LocalRecordConversions.h"

namespace {
// Save failures are dropped here on purpose: the context keeps the change for the next save.
void saveKeepingFailure(StoreContext& context)
{
    (void)context.save();
}

QList<Board> liveBoards(const QList<std::shared_ptr<LocalBoard>>& records, bool cloudOnly)
{
    QList<Board> boards;
    boards.reserve(records.size());
    for (const auto& record : records) {
        if (cloudOnly && !record->syncWithServer())
            continue;
        if (record->deletedAt())
            continue;
        boards.append(toBoard(*record));
    }
    return boards;
}

void overwriteFromRemote(LocalItem& record, const RemoteItem& remote)
{
    record.setContent(remote.content);
    record.setStatus(itemStatusFromText(remote.status).value_or(ItemStatus::todo));
    record.setBoardId(remote.boardId);
    record.setCreatedBy(remote.createdBy);
    record.setAssignee(remote.assignee);
    record.setAuthor(remote.author);
    record.setOrder(remote.order);
    if (const auto updatedAt = parseIsoDate(remote.updatedAt))
        record.setUpdatedAt(*updatedAt);
    record.setRevision(remote.revision);
    record.setArchivedAt(remote.archivedAt ? parseIsoDate(*remote.archivedAt) : std::nullopt);
}
}

std::expected<QList<Board>, StoreError> LocalDataService::fetchLocalBoards(StoreContext& context)
{
    const auto records = context.fetchBoards({});
    if (!records)
        return std::unexpected(records.error());
    return liveBoards(*records, false);
}

std::expected<QList<Board>, StoreError> LocalDataService::fetchLocalCloudBoards(StoreContext& context)
{
    const auto records = context.fetchBoards({});
    if (!records)
        return std::unexpected(records.error());
    return liveBoards(*records, true);
}

LocalDataService::Result LocalDataService::updateLocalBoard(const Board& board, StoreContext& context)
{
    const auto found = context.fetchBoards(BoardQuery::withId(board.id));
    if (!found)
        return std::unexpected(found.error());
    if (!found->isEmpty()) {
        LocalBoard& record = *found->first();
        record.setName(board.name);
        record.setCreatedAt(board.createdAt);
        record.setUpdatedAt(board.updatedAt);
        record.setSyncWithServer(board.syncWithServer);
        record.setCreatedBy(board.createdBy);
        record.setInfo(board.info);
        record.setIsActive(board.isActive);
        record.setRevision(board.revision);
    }
    saveKeepingFailure(context);
    return {};
}

LocalDataService::Result LocalDataService::deleteLocalBoardRecord(const QUuid& boardId, StoreContext& context)
{
    const auto found = context.fetchBoards(BoardQuery::withId(boardId));
    if (!found)
        return std::unexpected(found.error());
    if (found->isEmpty())
        return {};
    context.remove(found->first());
    saveKeepingFailure(context);
    return {};
}

LocalDataService::Result LocalDataService::deleteLocalBoard(const QUuid& boardId, StoreContext& context)
{
    const auto items = context.fetchItems(ItemQuery::onBoard(boardId));
    if (!items)
        return std::unexpected(items.error());
    for (const auto& item : *items)
        context.remove(item);
    return deleteLocalBoardRecord(boardId, context);
}

std::expected<LocalDataService::Items, StoreError> LocalDataService::fetchLocalItems(const QUuid& boardId,
    qint64 minimumRevision, StoreContext& context)
{
    ItemQuery query = ItemQuery::onBoard(boardId);
    query.minimumRevision = minimumRevision;
    query.order = ItemQuery::Order::updatedAtNewestFirst;
    return context.fetchItems(query);
}

std::shared_ptr<LocalItem> LocalDataService::fetchLocalItem(const QUuid& itemId, StoreContext& context)
{
    const auto found = context.fetchItems(ItemQuery::withId(itemId));
    if (!found || found->isEmpty())
        return nullptr;
    return found->first();
}

LocalDataService::Result LocalDataService::updateLocalItem(const Item& item, StoreContext& context)
{
    const auto found = context.fetchItems(ItemQuery::withId(item.id));
    if (!found)
        return std::unexpected(found.error());
    if (!found->isEmpty()) {
        LocalItem& record = *found->first();
        record.setContent(item.content);
        record.setStatus(item.status);
        record.setBoardId(item.boardId);
        record.setCreatedBy(item.createdBy);
        record.setAssignee(item.assignee);
        record.setAuthor(item.author);
        record.setOrder(item.order);
        record.setUpdatedAt(item.updatedAt);
        record.setDeletedAt(item.deletedAt);
        record.setArchivedAt(item.archivedAt);
        record.setRevision(item.revision);
        record.setDidSync(item.didSync);
    }
    saveKeepingFailure(context);
    return {};
}

LocalDataService::Result LocalDataService::deleteLocalItem(const QUuid& itemId, StoreContext& context)
{
    const auto found = context.fetchItems(ItemQuery::withId(itemId));
    if (!found)
        return std::unexpected(found.error());
    for (const auto& item : *found)
        context.remove(item);
    saveKeepingFailure(context);
    return {};
}

LocalDataService::Result LocalDataService::deleteLocalItems(const QList<QUuid>& itemIds, StoreContext& context)
{
    const auto found = context.fetchItemsWithIds(itemIds);
    if (!found)
        return std::unexpected(found.error());
    for (const auto& item : *found)
        context.remove(item);
    saveKeepingFailure(context);
    return {};
}

LocalDataService::Result LocalDataService::markLocalItemsSynced(const QUuid& boardId, StoreContext& context,
    const QSet<QUuid>& keepPending)
{
    // Only the pending items change; the query runs on the (boardId, didSync) index, so a board
    // with nothing pending costs one empty index lookup instead of reading every item back.
    const auto found = context.fetchItems(unsyncedItemsQuery(boardId));
    if (!found)
        return std::unexpected(found.error());
    return context.transaction([&found, &keepPending] {
        for (const auto& item : *found) {
            if (!keepPending.contains(item->id()))
                item->setDidSync(true);
        }
    });
}

namespace {
// Only a cloud board ever leaves its items behind (its record goes when the service no longer
// lists it), so an item without a board record is cloud data.
std::expected<LocalDataService::Items, StoreError> orphanedItems(StoreContext& context)
{
    const auto boards = context.fetchBoards({});
    if (!boards)
        return std::unexpected(boards.error());
    QSet<QUuid> boardIds;
    for (const auto& board : *boards)
        boardIds.insert(board->id());
    auto items = context.fetchItems({});
    if (!items)
        return std::unexpected(items.error());
    items->removeIf([&](const std::shared_ptr<LocalItem>& item) { return boardIds.contains(item->boardId()); });
    return items;
}
}

std::expected<LocalDataService::Items, StoreError> LocalDataService::fetchUnsentCloudItems(StoreContext& context)
{
    const auto boards = context.fetchBoards({});
    if (!boards)
        return std::unexpected(boards.error());
    QSet<QUuid> localBoards;
    for (const auto& board : *boards) {
        if (!board->syncWithServer())
            localBoards.insert(board->id());
    }
    ItemQuery pending;
    pending.didSync = false;
    auto items = context.fetchItems(pending);
    if (!items)
        return std::unexpected(items.error());
    items->removeIf([&](const std::shared_ptr<LocalItem>& item) { return localBoards.contains(item->boardId()); });
    return items;
}

LocalDataService::Result LocalDataService::clearLocalCloudBoards(StoreContext& context)
{
    const auto orphans = orphanedItems(context);
    if (!orphans)
        return std::unexpected(orphans.error());
    for (const auto& item : *orphans)
        context.remove(item);
    const auto boards = context.fetchBoards(BoardQuery::cloudBoards());
    if (!boards)
        return std::unexpected(boards.error());
    for (const auto& board : *boards) {
        const auto items = fetchLocalItems(board->id(), 0, context);
        if (!items)
            return std::unexpected(items.error());
        for (const auto& item : *items)
            context.remove(item);
        context.remove(board);
    }
    return context.save();
}

ItemQuery LocalDataService::unsyncedItemsQuery(const QUuid& boardId)
{
    ItemQuery query = ItemQuery::onBoard(boardId);
    query.didSync = false;
    return query;
}

RemoteItem LocalDataService::toRemoteItem(const LocalItem& record)
{
    return remoteFromItem(toItem(record));
}

LocalDataService::Result LocalDataService::applyRemoteItems(const QList<RemoteItem>& remoteItems,
    StoreContext& context, QHash<QUuid, std::shared_ptr<LocalItem>>* applied)
{
    if (remoteItems.isEmpty()) {
        saveKeepingFailure(context);
        return {};
    }
    // One bulk lookup instead of a count and a fetch per item.
    QList<QUuid> ids;
    ids.reserve(remoteItems.size());
    for (const RemoteItem& remote : remoteItems)
        ids.append(remote.id);
    auto stored = context.fetchItemsWithIds(ids);
    if (!stored)
        return std::unexpected(stored.error());

    // A later entry with the same id then overwrites this one, as a stored item would be.
    for (const RemoteItem& remote : remoteItems)
        stored->insert(remote.id, applyRemoteItem(remote, stored->value(remote.id), context));
    saveKeepingFailure(context);
    if (applied)
        applied->insert(*stored);
    return {};
}

std::shared_ptr<LocalItem> LocalDataService::applyRemoteItem(const RemoteItem& remote,
    const std::shared_ptr<LocalItem>& stored, StoreContext& context)
{
    if (stored) {
        overwriteFromRemote(*stored, remote);
        return stored;
    }
    return context.insert(makeLocalItem(itemFromRemote(remote)));
}
