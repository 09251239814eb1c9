// Item operations: add, move to another status, edit, delete, archive, merge, and move to another
// board. A local board only writes the store. A cloud board asks the service first; when the service
// cannot be reached the change is kept in the store with didSync false, and the next sync of the
// board sends it. After every service call the item is read again from the store and only the
// operation's own change is applied to it, so a change, move or deletion made meanwhile stays.
#include "domain/Log.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ItemEvents.h"
#include "workspace/ItemMerge.h"
#include "workspace/ItemRequests.h"

#include <QPointer>

#include <functional>

namespace {
const QString movedText = QStringLiteral("Item moved successfully");
const QString moveFailedText = QStringLiteral("Failed to move");
const QString moveNetworkText = QStringLiteral("Network error: could not move item");
const QString localUpdateFailedText = QStringLiteral("Couldn't update item locally. ");
const QString localRemoveFailedText = QStringLiteral("Couldn't remove the merged item locally. ");

QDateTime now()
{
    return QDateTime::currentDateTimeUtc();
}

// The board as the workspace holds it now. Unlike findBoard, never the selected copy of a board that
// has left the workspace (revoked or deleted meanwhile), which must not be put back.
std::optional<Board> heldBoard(const BoardViewModel& workspace, const QUuid& boardId)
{
    for (const Board& board : workspace.boards()) {
        if (board.id == boardId)
            return board;
    }
    return std::nullopt;
}

std::optional<Item> itemOn(const Board& board, const QUuid& itemId)
{
    for (const Item& item : board.items) {
        if (item.id == itemId)
            return item;
    }
    return std::nullopt;
}

// The board with the item of that id replaced; appended when the board does not hold it and
// appendMissing is set.
Board withItem(Board board, const Item& item, bool appendMissing)
{
    for (Item& existing : board.items) {
        if (existing.id == item.id) {
            existing = item;
            return board;
        }
    }
    if (appendMissing)
        board.items.append(item);
    return board;
}

Board withoutItem(Board board, const QUuid& itemId)
{
    board.items.removeIf([&](const Item& item) { return item.id == itemId; });
    return board;
}

// The board showing the item as it now is: replaced (or appended), or left out when it was deleted
// or moved to another board meanwhile.
Board shownOn(const Board& board, const Item& item, bool appendMissing)
{
    if (item.isDeleted() || item.boardId != board.id)
        return withoutItem(board, item.id);
    return withItem(board, item, appendMissing);
}

// The board's record is still in the store: not deleted here, revoked, or cleared by sign-out.
bool boardStored(const QUuid& boardId, StoreContext& context)
{
    const auto stored = context.countBoards(BoardQuery::withId(boardId));
    return stored && *stored > 0;
}

// Writes a change the service has not accepted (or a local board's change): overwrites the stored
// record, or inserts one when the store has none, so the change is never dropped. An item of a
// board that has left this computer is not written: it would come back without its board.
LocalDataService::Result keepItem(const Item& item, StoreContext& context)
{
    const auto stored = context.countItems(ItemQuery::withId(item.id));
    if (!stored)
        return std::unexpected(stored.error());
    if (*stored > 0)
        return LocalDataService::updateLocalItem(item, context);
    if (!boardStored(item.boardId, context))
        return std::unexpected(StoreError {QStringLiteral("The board is no longer on this computer.")});
    context.insert(makeLocalItem(item));
    // A failed save stays in the context and is written by the next one.
    (void)context.save();
    return {};
}

// Takes the service's acknowledgement of a change.
void acknowledge(Item& item, const ItemResponse& response)
{
    item.revision = response.revision;
    item.updatedAt = response.updatedAt;
    item.didSync = true;
}

// The item as the store holds it now (a tombstone included), or none when it is gone.
std::optional<Item> storedItem(const QUuid& itemId, StoreContext& context)
{
    const auto record = LocalDataService::fetchLocalItem(itemId, context);
    return record ? std::optional(toItem(*record)) : std::nullopt;
}

// After a service call: the item as stored now with only the operation's own change applied and
// the service's acknowledgement taken. It counts as synced only when nothing else changed it since
// `start` was read; a change made meanwhile stays pending, and a deletion made meanwhile stays.
// None when the item is gone from the store.
std::optional<Item> acknowledgedNow(const Item& start, const std::function<void(Item&)>& ownChange,
    const ItemResponse& response, StoreContext& context)
{
    std::optional<Item> fresh = storedItem(start.id, context);
    if (!fresh)
        return std::nullopt;
    const bool unchanged = fresh->updatedAt == start.updatedAt && fresh->deletedAt == start.deletedAt
        && fresh->boardId == start.boardId;
    const QUuid boardBefore = fresh->boardId;
    ownChange(*fresh);
    // The service's revision, so that a pending change made meanwhile is not refused as stale.
    // Revisions count per board: after a move only the target board's one means anything.
    fresh->revision = fresh->boardId == boardBefore ? std::max(fresh->revision, response.revision)
                                                    : response.revision;
    if (unchanged) {
        fresh->updatedAt = response.updatedAt;
        fresh->didSync = true;
    }
    return fresh;
}

// The same for a change the service did not take: the item as stored now with the operation's own
// change, pending. None when the item is gone from the store.
std::optional<Item> pendingNow(const QUuid& itemId, const std::function<void(Item&)>& ownChange, StoreContext& context)
{
    std::optional<Item> fresh = storedItem(itemId, context);
    if (!fresh)
        return std::nullopt;
    ownChange(*fresh);
    fresh->updatedAt = now();
    fresh->didSync = false;
    return fresh;
}

// Archive times travel in whole seconds; keeping them so locally makes both copies agree.
QDateTime archiveTime()
{
    QDateTime time = now();
    time.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second()));
    return time;
}
}

void BoardViewModel::markItemUpdated(const QUuid& itemId)
{
    // Cleared first, so that a second change of the same item is still seen as a change.
    m_recentlyUpdatedItemId.reset();
    Q_EMIT recentlyUpdatedItemIdChanged();
    m_recentlyUpdatedItemId = itemId;
    Q_EMIT recentlyUpdatedItemIdChanged();
}

QCoro::Task<void> BoardViewModel::addItem(Item item, Board board)
{
    QPointer<BoardViewModel> self(this);
    const bool cloud = board.syncWithServer;
    item.boardId = board.id;
    item.didSync = false;
    std::optional<ApiError> failure;
    std::optional<qint64> revision = cloud ? std::nullopt : std::optional(item.revision);

    const QDateTime sentAt = item.updatedAt;
    if (cloud) {
        const auto posted = co_await m_boardRepo.addItem(board.id, item.id, upsertItemRequest(item));
        if (!self)
            co_return;
        if (posted) {
            acknowledge(item, *posted);
            revision = posted->revision;
        } else if (handleRevokedBoard(posted.error(), board.id)) {
            co_return;
        } else {
            failure = posted.error();
        }
    }

    // An id the store already holds is an item moved here from another board. A change made to it
    // while it was posted is newer than what the service got: it is kept, and stays pending.
    if (cloud) {
        if (const auto stored = storedItem(item.id, m_context); stored && stored->updatedAt > sentAt) {
            item.content = stored->content;
            item.status = stored->status;
            item.assignee = stored->assignee;
            item.archivedAt = stored->archivedAt;
            item.updatedAt = stored->updatedAt;
            item.didSync = false;
        }
    }
    // A board deleted here or cleared by sign-out while the item was posted does not get it back.
    if (cloud && !boardStored(board.id, m_context)) {
        logLine(QStringLiteral("New item for a board that left this computer meanwhile: ") + board.id.toString());
        co_return;
    }
    // An id the store already holds (an item moved here from another board) takes the new values.
    m_context.insert(makeLocalItem(item));
    (void)m_context.save();
    if (const auto current = heldBoard(*this, board.id))
        applyBoardUpdate(withItem(*current, item, true), revision);

    if (failure)
        showInfo(QStringLiteral("Couldn't sync item to server. Added local only. ") + failure->description());
    else
        showSuccess(QStringLiteral("Item added"));
    track(UsageEvent::itemAdded, ItemEvents::withStatus(cloud, item.didSync, item.status));
}

QCoro::Task<MoveOutcome> BoardViewModel::moveItem(Item item, ItemStatus status)
{
    if (item.status == status)
        co_return MoveOutcome::failure(QStringLiteral("Item is already in this status"));
    const std::optional<Board> board = findBoard(item.boardId);
    const std::optional<Item> current = board ? itemOn(*board, item.id) : std::nullopt;
    if (!current)
        co_return MoveOutcome::failure(moveFailedText);

    QPointer<BoardViewModel> self(this);
    const bool cloud = board->syncWithServer;
    const QUuid boardId = board->id;
    Item moved = *current;
    moved.status = status;
    moved.updatedAt = now();
    moved.didSync = false;
    std::optional<qint64> revision;
    auto failed = [&](const QString& message) {
        track(UsageEvent::itemStatusChanged,
            ItemEvents::withStatusAndResult(cloud, moved.didSync, status, ItemEvents::failed));
        return MoveOutcome::failure(message);
    };

    if (cloud) {
        // Nothing changes here before the service agrees: a refused move leaves the item in its column.
        const auto sent
            = co_await m_boardRepo.updateItem(boardId, moved.id, updateItemRequest(*current, moved));
        if (!self)
            co_return MoveOutcome::failure(moveFailedText);
        if (!sent)
            co_return failed(handleRevokedBoard(sent.error(), boardId) ? moveNetworkText : moveFailedText);
        revision = sent->revision;
        const auto fresh = acknowledgedNow(*current, [status](Item& item) { item.status = status; }, *sent, m_context);
        if (!fresh) // gone from this computer meanwhile: nothing here to write
            co_return failed(moveFailedText);
        moved = *fresh;
    }

    const auto written
        = cloud ? LocalDataService::updateLocalItem(moved, m_context) : keepItem(moved, m_context);
    if (!written) {
        logLine(QStringLiteral("Storing the moved item failed: ") + written.error().message);
        co_return failed(moveFailedText);
    }
    if (const auto fresh = heldBoard(*this, boardId))
        applyBoardUpdate(shownOn(*fresh, moved, !cloud), revision);
    track(UsageEvent::itemStatusChanged,
        ItemEvents::withStatusAndResult(cloud, moved.didSync, status, ItemEvents::success));
    co_return MoveOutcome::success(movedText);
}

QCoro::Task<void> BoardViewModel::updateItem(Item item)
{
    const std::optional<Board> board = findBoard(item.boardId);
    if (!board) {
        logLine(QStringLiteral("Item update for a board that is no longer here: ") + item.boardId.toString());
        co_return;
    }
    QPointer<BoardViewModel> self(this);
    const bool cloud = board->syncWithServer;
    const QUuid boardId = board->id;
    Item edited = item;
    edited.updatedAt = now();
    edited.didSync = false;

    auto report = [&](const QString& result) {
        track(UsageEvent::itemUpdated,
            ItemEvents::withStatusAndResult(cloud, edited.didSync, edited.status, result));
    };
    auto show = [&](std::optional<qint64> revision, bool appendMissing) {
        if (const auto fresh = heldBoard(*this, boardId))
            applyBoardUpdate(withItem(*fresh, edited, appendMissing), revision);
        markItemUpdated(edited.id);
    };

    if (!cloud) {
        if (const auto written = keepItem(edited, m_context); !written) {
            showError(localUpdateFailedText + written.error().message);
            report(ItemEvents::failed);
            co_return;
        }
        show(std::nullopt, true);
        showSuccess(QStringLiteral("Item updated"));
        report(ItemEvents::success);
        co_return;
    }

    // Only what the user changed goes out, measured against the copy they started from.
    std::optional<Item> before = itemOn(*board, edited.id);
    if (!before) {
        const auto record = LocalDataService::fetchLocalItem(edited.id, m_context);
        before = record ? toItem(*record) : item;
    }
    UpdateItemRequest request = updateItemRequest(*before, edited);
    if (!changesSomething(request))
        request.content = edited.content; // the service wants at least one field

    // The edit's own fields, applied to the item as it is found after the request.
    auto ownEdit = [content = edited.content, status = edited.status, assignee = edited.assignee](Item& target) {
        target.content = content;
        target.status = status;
        target.assignee = assignee;
    };
    const auto sent = co_await m_boardRepo.updateItem(boardId, edited.id, request);
    if (!self)
        co_return;
    if (sent) {
        const auto fresh = acknowledgedNow(*before, ownEdit, *sent, m_context);
        if (!fresh) {
            logLine(QStringLiteral("Edited item left this computer while the edit was sent: ") + edited.id.toString());
            co_return;
        }
        edited = *fresh;
        const auto written = LocalDataService::updateLocalItem(edited, m_context);
        if (edited.isDeleted() || edited.boardId != boardId) {
            if (const auto held = heldBoard(*this, boardId))
                applyBoardUpdate(withoutItem(*held, edited.id), sent->revision);
        } else {
            show(sent->revision, false);
        }
        if (written) {
            showSuccess(QStringLiteral("Item updated"));
            report(ItemEvents::success);
        } else {
            showError(localUpdateFailedText + written.error().message);
            report(ItemEvents::failed);
        }
        co_return;
    }

    if (handleRevokedBoard(sent.error(), boardId))
        co_return;
    if (sent.error().status == 409 && sent.error().code == QLatin1String("REVISION_CONFLICT")) {
        // The service holds a newer revision: storing this edit would only have the next sync
        // refuse it. The user's version is kept on this computer as a conflict copy, the toast and
        // event are those of any edit kept locally, and the service's copy is fetched now.
        keepConflictCopy(edited, ConflictReason::replaced);
        showInfo(QStringLiteral("Couldn't update the item. Updated locally. ") + sent.error().description());
        report(ItemEvents::localOnly);
        co_await fetchServiceCopy(boardId);
        co_return;
    }
    const auto fresh = pendingNow(edited.id, ownEdit, m_context);
    if (!fresh) {
        // Deleted meanwhile (another member's delete taken by a sync, the user's own delete, or
        // sign-out): the item is not brought back. While its board is here, the user's text stays as
        // a conflict copy.
        report(ItemEvents::failed);
        if (!boardStored(boardId, m_context)) {
            logLine(QStringLiteral("Edited item left this computer while the edit was sent: ") + edited.id.toString());
            co_return;
        }
        keepConflictCopy(edited, ConflictReason::replaced);
        showInfo(QStringLiteral("The item was deleted meanwhile. Your version is kept as a conflict copy."));
        co_return;
    }
    edited = *fresh;
    if (const auto written = keepItem(edited, m_context); !written) {
        showError(localUpdateFailedText + written.error().message);
        report(ItemEvents::failed);
        co_return;
    }
    if (!edited.isDeleted())
        show(std::nullopt, true);
    showInfo(QStringLiteral("Couldn't update the item. Updated locally. ") + sent.error().description());
    report(ItemEvents::localOnly);
}

QCoro::Task<void> BoardViewModel::deleteItem(Item item)
{
    const std::optional<Board> board = findBoard(item.boardId);
    if (!board) {
        logLine(
            QStringLiteral("Item deletion for a board that is no longer here: ") + item.boardId.toString());
        co_return;
    }
    QPointer<BoardViewModel> self(this);
    const bool cloud = board->syncWithServer;
    const QUuid boardId = board->id;
    auto removeFromBoard = [&](std::optional<qint64> revision) {
        if (const auto fresh = heldBoard(*this, boardId))
            applyBoardUpdate(withoutItem(*fresh, item.id), revision);
    };

    if (!cloud) {
        if (const auto removed = LocalDataService::deleteLocalItem(item.id, m_context); !removed) {
            showError(removed.error().message);
            track(UsageEvent::itemDeleted, ItemEvents::deleted(false, false, ItemEvents::failed));
            co_return;
        }
        removeFromBoard(std::nullopt);
        showSuccess(QStringLiteral("Item deleted"));
        track(UsageEvent::itemDeleted, ItemEvents::deleted(false, false, ItemEvents::success));
        co_return;
    }

    const auto sent = co_await m_boardRepo.deleteItem(boardId, item.id);
    if (!self)
        co_return;
    if (sent) {
        if (const auto removed = LocalDataService::deleteLocalItem(item.id, m_context); !removed)
            logLine(QStringLiteral("Removing the deleted item locally failed: ") + removed.error().message);
        removeFromBoard(sent->revision);
        showSuccess(QStringLiteral("Item deleted"));
        track(UsageEvent::itemDeleted, ItemEvents::deleted(true, true, ItemEvents::success));
        co_return;
    }

    if (handleRevokedBoard(sent.error(), boardId))
        co_return;
    // A tombstone: hidden from the board now, sent as a deletion with the next sync. An item gone
    // from the store meanwhile (deleted by a sync or by sign-out) needs none.
    if (const auto stored = LocalDataService::fetchLocalItem(item.id, m_context)) {
        Item tombstone = toItem(*stored);
        tombstone.deletedAt = now();
        tombstone.didSync = false;
        if (const auto written = keepItem(tombstone, m_context); !written)
            logLine(QStringLiteral("Keeping the deletion locally failed: ") + written.error().message);
    }
    removeFromBoard(std::nullopt);
    showError(sent.error().description());
    track(UsageEvent::itemDeleted, ItemEvents::deleted(true, false, ItemEvents::localOnly));
}

QCoro::Task<void> BoardViewModel::setItemArchived(Item item, bool archived)
{
    const std::optional<Board> board = findBoard(item.boardId);
    if (!board) {
        logLine(QStringLiteral("Item archive change for a board that is no longer here: ")
            + item.boardId.toString());
        co_return;
    }
    QPointer<BoardViewModel> self(this);
    const bool cloud = board->syncWithServer;
    const QUuid boardId = board->id;
    const Item before = itemOn(*board, item.id).value_or(item);
    Item changed = before;
    changed.archivedAt = archived ? std::optional(archiveTime()) : std::nullopt;
    changed.updatedAt = now();
    changed.didSync = false;
    std::optional<qint64> revision;
    std::optional<ApiError> failure;

    if (cloud) {
        const auto sent
            = co_await m_boardRepo.updateItem(boardId, changed.id, updateItemRequest(before, changed));
        if (!self)
            co_return;
        auto ownChange = [archivedAt = changed.archivedAt](Item& target) { target.archivedAt = archivedAt; };
        if (sent) {
            revision = sent->revision;
            if (const auto fresh = acknowledgedNow(before, ownChange, *sent, m_context))
                changed = *fresh;
            else
                acknowledge(changed, *sent);
        } else if (handleRevokedBoard(sent.error(), boardId)) {
            co_return;
        } else {
            failure = sent.error();
            const auto fresh = pendingNow(changed.id, ownChange, m_context);
            if (!fresh) {
                // Deleted meanwhile: an archive change does not bring it back.
                logLine(QStringLiteral("Archived item left this computer while the change was sent: ")
                    + changed.id.toString());
                track(archived ? UsageEvent::itemArchived : UsageEvent::itemUnarchived,
                    ItemEvents::archived(cloud, false, archived));
                co_return;
            }
            changed = *fresh;
        }
    }

    const auto written = changed.didSync ? LocalDataService::updateLocalItem(changed, m_context)
                                         : keepItem(changed, m_context);
    if (!written) {
        showError(localUpdateFailedText + written.error().message);
    } else {
        if (const auto fresh = heldBoard(*this, boardId))
            applyBoardUpdate(shownOn(*fresh, changed, !changed.didSync), revision);
        if (failure)
            showInfo(
                QStringLiteral("Couldn't sync archive change. Updated locally. ") + failure->description());
        else
            showSuccess(archived ? QStringLiteral("Item archived") : QStringLiteral("Item unarchived"));
    }
    track(archived ? UsageEvent::itemArchived : UsageEvent::itemUnarchived,
        ItemEvents::archived(cloud, changed.didSync, archived));
}

QCoro::Task<void> BoardViewModel::mergeItems(Item source, Item destination)
{
    const std::optional<Board> board = findBoard(source.boardId);
    const std::optional<Item> found = board ? itemOn(*board, source.id) : std::nullopt;
    if (!found) {
        showError(QStringLiteral("Couldn't find the item to merge"));
        co_return;
    }
    if (source.boardId != destination.boardId) {
        showError(QStringLiteral("Items can only be merged within the same board"));
        co_return;
    }
    if (source.id == destination.id)
        co_return; // merging an item into itself would delete it

    QPointer<BoardViewModel> self(this);
    const bool cloud = board->syncWithServer;
    const QUuid boardId = board->id;
    const Item target = itemOn(*board, destination.id).value_or(destination);
    Item merged = target;
    merged.content = mergedItemText(target.content, found->content);
    merged.updatedAt = now();
    merged.didSync = false;
    std::optional<qint64> patchRevision;
    std::optional<qint64> deleteRevision;

    if (cloud) {
        UpdateItemRequest request = updateItemRequest(target, merged);
        // Sent even when a blank source leaves the text as it was: the service needs one field.
        request.content = merged.content;
        const auto patched = co_await m_boardRepo.updateItem(boardId, merged.id, request);
        if (!self)
            co_return;
        if (!patched) {
            if (!handleRevokedBoard(patched.error(), boardId))
                showError(
                    QStringLiteral("Couldn't update the destination item. ") + patched.error().description());
            co_return;
        }
        const auto deleted = co_await m_boardRepo.deleteItem(boardId, source.id);
        if (!self)
            co_return;
        if (!deleted) {
            if (!handleRevokedBoard(deleted.error(), boardId))
                showError(
                    QStringLiteral("Couldn't delete the merged item. ") + deleted.error().description());
            co_return;
        }
        patchRevision = patched->revision;
        deleteRevision = deleted->revision;
        auto ownChange = [content = merged.content](Item& item) { item.content = content; };
        if (const auto fresh = acknowledgedNow(target, ownChange, *patched, m_context))
            merged = *fresh;
        else
            acknowledge(merged, *patched);
        // A change made to the source while the merge was sent would go with it: kept aside.
        if (const auto source = storedItem(found->id, m_context);
            source && !source->didSync && !source->isDeleted() && source->content != found->content)
            keepConflictCopy(*source, ConflictReason::replaced);
    }

    const auto written
        = cloud ? LocalDataService::updateLocalItem(merged, m_context) : keepItem(merged, m_context);
    if (!written) {
        showError(localUpdateFailedText + written.error().message);
        co_return;
    }
    if (const auto removed = LocalDataService::deleteLocalItem(source.id, m_context); !removed) {
        showError(localRemoveFailedText + removed.error().message);
        co_return;
    }
    // Two changes of the board, applied one after the other so each advances the checkpoint by one.
    if (const auto fresh = heldBoard(*this, boardId))
        applyBoardUpdate(shownOn(*fresh, merged, !cloud), patchRevision);
    if (const auto fresh = heldBoard(*this, boardId))
        applyBoardUpdate(withoutItem(*fresh, source.id), deleteRevision);
    markItemUpdated(merged.id);
    showSuccess(QStringLiteral("Items merged"));
    track(UsageEvent::itemMerged, ItemEvents::withStatus(cloud, merged.didSync, merged.status));
}

QCoro::Task<MoveOutcome> BoardViewModel::moveItemToBoard(Item item, Board target)
{
    if (item.boardId == target.id)
        co_return MoveOutcome::failure(QStringLiteral("Item is already in this board"));
    const std::optional<Board> source = findBoard(item.boardId);
    const std::optional<Item> current = source ? itemOn(*source, item.id) : std::nullopt;
    const std::optional<Board> destination = findBoard(target.id);
    if (!current || !destination)
        co_return MoveOutcome::failure(moveFailedText);

    QPointer<BoardViewModel> self(this);
    const QUuid sourceId = source->id;
    const QUuid targetId = destination->id;
    const bool fromCloud = source->syncWithServer;
    const bool toCloud = destination->syncWithServer;
    Item moved = *current;
    moved.boardId = targetId;
    moved.updatedAt = now();
    moved.didSync = false;
    std::optional<qint64> sourceRevision;
    std::optional<qint64> targetRevision;
    auto outcome = [&](const QString& result, MoveOutcome value) {
        track(UsageEvent::itemMoved, ItemEvents::moved(fromCloud, toCloud, result, moved.didSync));
        return value;
    };
    auto leaveSource = [&] {
        if (const auto fresh = heldBoard(*this, sourceId))
            applyBoardUpdate(withoutItem(*fresh, moved.id), sourceRevision);
    };

    if (!fromCloud && toCloud) {
        // The target's service learns of the item as a new one; addItem keeps it locally if it cannot.
        co_await addItem(moved, *destination);
        if (!self)
            co_return MoveOutcome::failure(moveFailedText);
        if (!heldBoard(*this, targetId)) // revoked while the item was posted: it stays where it was
            co_return outcome(ItemEvents::failed, MoveOutcome::failure(moveNetworkText));
        const auto stored = LocalDataService::fetchLocalItem(moved.id, m_context);
        moved.didSync = stored && stored->didSync();
        leaveSource();
        if (!moved.didSync)
            co_return outcome(ItemEvents::localOnly, MoveOutcome::failure(moveNetworkText));
        co_return outcome(ItemEvents::success, MoveOutcome::success(movedText));
    }

    if (fromCloud) {
        ApiResult<ItemResponse> sent = std::unexpected(ApiError {});
        if (toCloud)
            sent = co_await m_boardRepo.updateItem(sourceId, moved.id, updateItemRequest(*current, moved));
        else
            sent = co_await m_boardRepo.deleteItem(sourceId, moved.id);
        if (!self)
            co_return MoveOutcome::failure(moveFailedText);
        if (!sent) {
            handleRevokedBoard(sent.error(), sourceId);
            co_return outcome(ItemEvents::failed, MoveOutcome::failure(moveNetworkText));
        }
        auto ownMove = [targetId](Item& target) { target.boardId = targetId; };
        if (toCloud) {
            // The answer names the target board's revision; the source's new one is not known here.
            targetRevision = sent->revision;
            if (const auto fresh = acknowledgedNow(*current, ownMove, *sent, m_context))
                moved = *fresh;
            else
                acknowledge(moved, *sent);
        } else {
            // Off the service now: on the local board the item is this computer's alone.
            sourceRevision = sent->revision;
            if (const auto fresh = pendingNow(moved.id, ownMove, m_context)) {
                moved = *fresh;
                if (moved.isDeleted()) {
                    // Deleted here while the service was told: it is gone on both sides.
                    (void)LocalDataService::deleteLocalItem(moved.id, m_context);
                    leaveSource();
                    co_return outcome(ItemEvents::success, MoveOutcome::success(movedText));
                }
            }
        }
    }

    const auto written = keepItem(moved, m_context);
    if (!written) {
        logLine(QStringLiteral("Storing the moved item failed: ") + written.error().message);
        co_return outcome(ItemEvents::failed, MoveOutcome::failure(moveFailedText));
    }
    leaveSource();
    if (const auto fresh = heldBoard(*this, targetId); fresh && !moved.isDeleted())
        applyBoardUpdate(withItem(*fresh, moved, true), targetRevision);
    co_return outcome(ItemEvents::success, MoveOutcome::success(movedText));
}
