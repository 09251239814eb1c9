// Recording: each of the user's item operations runs as the workspace's own, and the items it
// touched are read from the store before and after it.
#include "workspace/undo/ItemHistory.h"

#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "workspace/BoardViewModel.h"
#include "workspace/undo/ItemCommand.h"

#include <QPointer>

namespace {
// Enough for a working session; older steps fall off the bottom.
constexpr int stepLimit = 200;
}

ItemHistory::ItemHistory(BoardViewModel& workspace, StoreContext& context, NetworkService& api, ToastManager& toasts)
    : QObject(&workspace)
    , m_workspace(workspace)
    , m_context(context)
    , m_toasts(toasts)
    , m_trash(workspace, context, api, toasts, this)
{
    m_stack.setUndoLimit(stepLimit);
    connect(&m_stack, &QUndoStack::indexChanged, this, &ItemHistory::changed);
    connect(&m_stack, &QUndoStack::undoTextChanged, this, &ItemHistory::changed);
    connect(&m_stack, &QUndoStack::redoTextChanged, this, &ItemHistory::changed);
}

ItemHistory::~ItemHistory() = default;

ItemHistory& ItemHistory::of(BoardViewModel& workspace)
{
    auto* history = workspace.findChild<ItemHistory*>(QString(), Qt::FindDirectChildrenOnly);
    Q_ASSERT(history);
    return *history;
}

std::optional<Item> ItemHistory::currentItem(const QUuid& itemId) const
{
    const auto record = LocalDataService::fetchLocalItem(itemId, m_context);
    if (!record)
        return std::nullopt;
    Item item = toItem(*record);
    if (item.isDeleted())
        return std::nullopt;
    return item;
}

QString ItemHistory::boardName(const QUuid& boardId) const
{
    const std::optional<Board> board = m_workspace.knownBoard(boardId);
    return board ? board->name : QString();
}

void ItemHistory::trashIfDeleted(const Item& before)
{
    const std::optional<Board> board = m_workspace.knownBoard(before.boardId);
    if (!board || currentItem(before.id))
        return;
    if (board->syncWithServer)
        m_trash.refresh(board->id);
    else
        m_trash.keep(before);
}

void ItemHistory::record(QString name, QList<ItemChange> changes)
{
    changes.removeIf([](const ItemChange& change) { return sameUserState(change.before, change.after); });
    if (changes.isEmpty())
        return; // refused, failed, or nothing to change: no step to take back
    m_stack.push(new ItemCommand(*this, m_nextSerial++, ItemStep {std::move(name), std::move(changes)}));
}

QCoro::Task<void> ItemHistory::addItem(Item item, Board board)
{
    QPointer<ItemHistory> self(this);
    const std::optional<Item> before = currentItem(item.id);
    co_await m_workspace.addItem(item, board);
    if (self)
        record(QStringLiteral("Add Item"), {{before, currentItem(item.id)}});
}

QCoro::Task<MoveOutcome> ItemHistory::moveItem(Item item, ItemStatus status)
{
    QPointer<ItemHistory> self(this);
    const std::optional<Item> before = currentItem(item.id);
    const MoveOutcome outcome = co_await m_workspace.moveItem(item, status);
    if (self && !outcome.failed)
        record(QStringLiteral("Move to ") + itemStatusTitle(status), {{before, currentItem(item.id)}});
    co_return outcome;
}

QCoro::Task<void> ItemHistory::updateItem(Item item)
{
    QPointer<ItemHistory> self(this);
    const std::optional<Item> before = currentItem(item.id);
    co_await m_workspace.updateItem(item);
    if (!self)
        co_return;
    const std::optional<Item> after = currentItem(item.id);
    record(before && after ? editStepName(*before, *after) : QStringLiteral("Edit Item"), {{before, after}});
}

QCoro::Task<void> ItemHistory::deleteItem(Item item)
{
    QPointer<ItemHistory> self(this);
    const std::optional<Item> before = currentItem(item.id);
    co_await m_workspace.deleteItem(item);
    if (!self)
        co_return;
    if (before)
        trashIfDeleted(*before);
    record(QStringLiteral("Delete Item"), {{before, currentItem(item.id)}});
}

QCoro::Task<void> ItemHistory::setItemArchived(Item item, bool archived)
{
    QPointer<ItemHistory> self(this);
    const std::optional<Item> before = currentItem(item.id);
    co_await m_workspace.setItemArchived(item, archived);
    if (self)
        record(archived ? QStringLiteral("Archive Item") : QStringLiteral("Unarchive Item"),
            {{before, currentItem(item.id)}});
}

QCoro::Task<void> ItemHistory::mergeItems(Item source, Item destination)
{
    QPointer<ItemHistory> self(this);
    const std::optional<Item> sourceBefore = currentItem(source.id);
    const std::optional<Item> destinationBefore = currentItem(destination.id);
    co_await m_workspace.mergeItems(source, destination);
    if (!self)
        co_return;
    // The source first: undone, it comes back before the destination loses its text.
    record(QStringLiteral("Merge Items"),
        {{sourceBefore, currentItem(source.id)}, {destinationBefore, currentItem(destination.id)}});
}

QCoro::Task<MoveOutcome> ItemHistory::moveItemToBoard(Item item, Board target)
{
    QPointer<ItemHistory> self(this);
    const std::optional<Item> before = currentItem(item.id);
    const MoveOutcome outcome = co_await m_workspace.moveItemToBoard(item, target);
    if (self && !outcome.failed)
        record(QStringLiteral("Move to ") + target.name, {{before, currentItem(item.id)}});
    co_return outcome;
}
