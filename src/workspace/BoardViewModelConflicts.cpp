// Conflict copies: keeping the user's version when the service's copy takes its place, restoring or
// discarding it, and the unsent changes that sign-out would otherwise remove.
#include "domain/Log.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"
#include "store/PendingBoardInfoStore.h"
#include "workspace/UnsentChangesExport.h"

#include <QPointer>

#include <algorithm>

void BoardViewModel::keepConflictCopy(const Item& item, ConflictReason reason)
{
    const std::optional<Board> board = knownBoard(item.boardId);
    m_conflictCopies.keep(ConflictCopy::of(item, reason, board ? board->name : QString()));
}

QCoro::Task<void> BoardViewModel::fetchServiceCopy(QUuid boardId)
{
    if (const std::optional<Board> board = knownBoard(boardId))
        co_await syncBoard(*board, false, true);
}

QCoro::Task<void> BoardViewModel::restoreConflictCopy(QUuid copyId, QUuid boardId)
{
    const std::optional<ConflictCopy> copy = m_conflictCopies.find(copyId);
    if (!copy)
        co_return;
    const std::optional<Board> own = findBoard(copy->boardId);
    std::optional<Item> current;
    if (own) {
        const auto found = std::find_if(own->items.cbegin(), own->items.cend(),
            [&](const Item& item) { return item.id == copy->itemId; });
        if (found != own->items.cend())
            current = *found;
    }
    const std::optional<Board> target = current ? own : findBoard(boardId);
    if (!target) {
        showError(QStringLiteral("Couldn't restore your version: its board is no longer here"));
        co_return;
    }
    // Dropped before sending: if the service refuses this edit as well, the operation keeps a new
    // copy, and a failure to reach it keeps the edit pending. Either way the text stays.
    m_conflictCopies.discard(copyId);

    if (current) {
        // On top of the service's current revision, which the item holds now.
        Item edited = *current;
        edited.content = copy->content;
        edited.status = copy->status;
        edited.assignee = copy->assignee;
        co_await updateItem(edited);
        co_return;
    }
    // The item is gone (refused, deleted on the service, or its board left): a new item with the text.
    Item restored;
    restored.id = QUuid::createUuid();
    restored.content = copy->content;
    restored.status = copy->status;
    restored.boardId = target->id;
    restored.createdBy = copy->createdBy;
    restored.assignee = target->id == copy->boardId ? copy->assignee : std::nullopt;
    restored.createdAt = QDateTime::currentDateTimeUtc();
    restored.updatedAt = restored.createdAt;
    qint64 order = 0;
    for (const Item& item : target->items)
        order = std::max(order, item.order);
    restored.order = order + 1;
    co_await addItem(restored, *target);
}

void BoardViewModel::discardConflictCopy(const QUuid& copyId)
{
    m_conflictCopies.discard(copyId);
}

namespace {
// Copies of boards that sign-out removes: every board but the local ones.
QList<ConflictCopy> cloudCopies(const ConflictCopies& copies, const QList<Board>& boards)
{
    QSet<QUuid> localBoards;
    for (const Board& board : boards) {
        if (!board.syncWithServer)
            localBoards.insert(board.id);
    }
    QList<ConflictCopy> found = copies.all();
    found.removeIf([&](const ConflictCopy& copy) { return localBoards.contains(copy.boardId); });
    return found;
}

// Descriptions of cloud boards written here that the service has not accepted yet, those of boards
// that have left the workspace included: sign-out removes them all.
QHash<QUuid, QString> pendingDescriptions(const QList<Board>& boards, StoreContext& context)
{
    QSet<QUuid> localBoards;
    for (const Board& board : boards) {
        if (!board.syncWithServer)
            localBoards.insert(board.id);
    }
    QHash<QUuid, QString> found;
    for (const QUuid& id : PendingBoardInfoStore::boards(context).value_or(QList<QUuid> {})) {
        if (localBoards.contains(id))
            continue;
        if (const std::optional<QString> info = PendingBoardInfoStore::get(id, context))
            found.insert(id, *info);
    }
    return found;
}
}

BoardViewModel::UnsentChanges BoardViewModel::unsentChanges() const
{
    UnsentChanges changes;
    changes.boardDescriptions = int(pendingDescriptions(m_boards, m_context).size());
    if (const auto items = LocalDataService::fetchUnsentCloudItems(m_context))
        changes.items = int(items->size());
    changes.conflictCopies = int(cloudCopies(m_conflictCopies, m_boards).size());
    return changes;
}

std::expected<QString, QString> BoardViewModel::exportUnsentChanges(const QString& folder) const
{
    const auto records = LocalDataService::fetchUnsentCloudItems(m_context);
    if (!records)
        return std::unexpected(records.error().message);
    QList<Item> items;
    for (const auto& record : *records)
        items.append(toItem(*record));
    QHash<QUuid, QString> names;
    for (const Board& board : m_boards)
        names.insert(board.id, board.name);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString text = UnsentChangesExport::markdown(
        items, cloudCopies(m_conflictCopies, m_boards), pendingDescriptions(m_boards, m_context), names, now);
    return UnsentChangesExport::write(folder, text, now);
}
