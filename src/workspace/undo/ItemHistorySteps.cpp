// Running a step: the conflict check before it, the workspace operations that bring each item to
// its other state, and what the stack is told when they did not.
#include "domain/ConflictCopy.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"
#include "workspace/undo/ItemCommand.h"
#include "workspace/undo/ItemHistory.h"

#include <QPointer>

#include <algorithm>

namespace {
QUuid itemIdOf(const ItemChange& change)
{
    return change.before ? change.before->id : change.after->id;
}

const std::optional<Item>& fromState(const ItemChange& change, bool back)
{
    return back ? change.after : change.before;
}

const std::optional<Item>& toState(const ItemChange& change, bool back)
{
    return back ? change.before : change.after;
}

// Undone, a step's changes run in their recorded order; redone, in the opposite one, so a merge
// puts the text into the destination before its source goes.
QList<ItemChange> inRunningOrder(QList<ItemChange> changes, bool back)
{
    if (!back)
        std::reverse(changes.begin(), changes.end());
    return changes;
}

QString verb(bool back)
{
    return back ? QStringLiteral("undo ") : QStringLiteral("redo ");
}
}

void ItemHistory::undo()
{
    if (canUndo())
        m_stack.undo();
}

void ItemHistory::redo()
{
    if (canRedo())
        m_stack.redo();
}

bool ItemHistory::startStep(quint64 serial, const ItemStep& step, Direction direction)
{
    const bool back = direction == Direction::back;
    QList<ItemChange> conflicted;
    for (const ItemChange& change : step.changes) {
        if (!sameUserState(currentItem(itemIdOf(change)), fromState(change, back)))
            conflicted.append(change);
    }
    if (!conflicted.isEmpty()) {
        reportConflict(step, direction, conflicted);
        Q_EMIT stepFinished(false);
        return false;
    }
    m_running = true;
    Q_EMIT changed();
    // Started once the stack has moved its index, so that a step that ends at once (a local board
    // writes without suspending) finds the index it has to put back.
    QMetaObject::invokeMethod(
        this, [this, serial, step, direction] { runStep(serial, step, direction); }, Qt::QueuedConnection);
    return true;
}

void ItemHistory::reportConflict(const ItemStep& step, Direction direction, const QList<ItemChange>& conflicted)
{
    const bool back = direction == Direction::back;
    bool keptText = false;
    for (const ItemChange& change : conflicted) {
        const std::optional<Item>& wanted = toState(change, back);
        const std::optional<Item> current = currentItem(itemIdOf(change));
        if (wanted && (!current || current->content != wanted->content)) {
            m_workspace.conflictCopies().keep(
                ConflictCopy::of(*wanted, ConflictReason::replaced, boardName(wanted->boardId)));
            keptText = true;
        }
    }
    QString message = QStringLiteral("Couldn't ") + verb(back) + step.name
        + QStringLiteral(": the item has changed since. Its current version stays.");
    if (keptText)
        message += QStringLiteral(" The other text is kept as a conflict copy.");
    m_toasts.showInfo(message);
}

QCoro::Task<void> ItemHistory::runStep(quint64 serial, ItemStep step, Direction direction)
{
    QPointer<ItemHistory> self(this);
    const bool back = direction == Direction::back;
    for (const ItemChange& change : inRunningOrder(step.changes, back)) {
        co_await bringItem(currentItem(itemIdOf(change)), toState(change, back));
        if (!self)
            co_return;
    }
    bool succeeded = true;
    for (const ItemChange& change : step.changes)
        succeeded = succeeded && sameUserState(currentItem(itemIdOf(change)), toState(change, back));
    m_running = false;
    if (!succeeded) {
        revertIndex(serial, direction);
        m_toasts.showError(QStringLiteral("Couldn't ") + verb(back) + step.name);
    }
    Q_EMIT changed();
    Q_EMIT stepFinished(succeeded);
}

QCoro::Task<void> ItemHistory::bringItem(std::optional<Item> from, std::optional<Item> to)
{
    QPointer<ItemHistory> self(this);
    if (from && !to) {
        co_await m_workspace.deleteItem(*from);
        if (self)
            trashIfDeleted(*from);
        co_return;
    }
    if (!from && to) {
        const std::optional<Board> board = m_workspace.knownBoard(to->boardId);
        if (!board)
            co_return;
        // Added unarchived: a new item never carries an archive time to the service.
        Item restored = *to;
        restored.archivedAt.reset();
        restored.deletedAt.reset();
        restored.updatedAt = QDateTime::currentDateTimeUtc();
        co_await m_workspace.addItem(restored, *board);
        if (!self)
            co_return;
        if (currentItem(to->id)) {
            // Back on its board, as if restored from the trash.
            if (board->syncWithServer)
                m_trash.refresh(board->id);
            else
                m_trash.forget(to->id);
        }
        if (!to->isArchived())
            co_return;
        if (const std::optional<Item> added = currentItem(to->id))
            co_await m_workspace.setItemArchived(*added, true);
        co_return;
    }
    if (!from || !to)
        co_return;

    std::optional<Item> current = from;
    if (current->boardId != to->boardId) {
        const std::optional<Board> target = m_workspace.knownBoard(to->boardId);
        if (!target)
            co_return;
        const MoveOutcome moved = co_await m_workspace.moveItemToBoard(*current, *target);
        if (!self || moved.failed)
            co_return;
        current = currentItem(to->id);
        if (!current)
            co_return;
    }
    if (current->content != to->content || current->status != to->status || current->assignee != to->assignee) {
        // One edit for all three, so that it also waits for the next sync while offline.
        Item edited = *current;
        edited.content = to->content;
        edited.status = to->status;
        edited.assignee = to->assignee;
        co_await m_workspace.updateItem(edited);
        if (!self)
            co_return;
        current = currentItem(to->id);
        if (!current)
            co_return;
    }
    if (current->isArchived() != to->isArchived())
        co_await m_workspace.setItemArchived(*current, to->isArchived());
}

void ItemHistory::revertIndex(quint64 serial, Direction direction)
{
    for (int index = 0; index < m_stack.count(); ++index) {
        const auto* command = dynamic_cast<const ItemCommand*>(m_stack.command(index));
        if (!command || command->serial() != serial)
            continue;
        // Only when nothing moved the index since; a newer operation has dropped the step anyway.
        const bool back = direction == Direction::back;
        if (m_stack.index() != (back ? index : index + 1))
            return;
        m_replaying = true;
        m_stack.setIndex(back ? index + 1 : index);
        m_replaying = false;
        return;
    }
}
