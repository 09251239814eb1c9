// The session's item history: every item operation the user makes goes through here, runs as the
// workspace's own operation and, when it changed something, becomes a step of a QUndoStack. Undo
// and redo are ordinary workspace operations too, so on a cloud board they reach the service (or
// wait for the next sync while it cannot be reached) like any change.
//
// A step runs asynchronously. QUndoStack moves its index at once; when the operations then fail,
// the index is put back without running anything, so the stack never shows a step as taken back
// that was not. One step runs at a time; while it does, canUndo and canRedo are false.
//
// Before a step runs, every item it touches must still be as the step left it. When one has
// changed since (a teammate's edit, a sync), the step is dropped from the history instead: the
// change stays, a toast says so, and a text the step would have put back is kept as a conflict copy.
#pragma once

#include "domain/Board.h"
#include "workspace/BoardRefreshState.h"
#include "workspace/trash/ItemTrash.h"
#include "workspace/undo/ItemStep.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QUndoStack>

class BoardViewModel;
class NetworkService;
class StoreContext;
class ToastManager;

class ItemHistory : public QObject
{
    Q_OBJECT

public:
    // Lives as long as the workspace: it is the workspace's child.
    ItemHistory(BoardViewModel& workspace, StoreContext& context, NetworkService& api, ToastManager& toasts);
    ~ItemHistory() override;
    // The workspace's history; whoever makes the workspace makes its history beside it.
    static ItemHistory& of(BoardViewModel& workspace);

    // ---- the user's item operations (the workspace's, recorded) ----
    QCoro::Task<void> addItem(Item item, Board board);
    QCoro::Task<MoveOutcome> moveItem(Item item, ItemStatus status);
    QCoro::Task<void> updateItem(Item item);
    QCoro::Task<void> deleteItem(Item item);
    QCoro::Task<void> setItemArchived(Item item, bool archived);
    QCoro::Task<void> mergeItems(Item source, Item destination);
    QCoro::Task<MoveOutcome> moveItemToBoard(Item item, Board target);

    // ---- undo and redo ----
    bool canUndo() const { return !m_running && m_stack.canUndo(); }
    bool canRedo() const { return !m_running && m_stack.canRedo(); }
    // The names of the steps undo and redo would take ("Move to Done"), empty when there is none.
    QString undoText() const { return m_stack.undoText(); }
    QString redoText() const { return m_stack.redoText(); }
    void undo();
    void redo();
    bool isRunning() const { return m_running; }
    // Where items deleted from local boards wait.
    ItemTrash& trash() { return m_trash; }
    int count() const { return m_stack.count(); }

Q_SIGNALS:
    // canUndo, canRedo or the step names changed.
    void changed();
    // A step started by undo() or redo() has ended; it did not happen when succeeded is false.
    void stepFinished(bool succeeded);

private:
    friend class ItemCommand;
    enum class Direction { back, forward };

    // Called by a command from QUndoStack::undo()/redo(). True when the step starts; false when an
    // item changed since, and the command is then dropped.
    bool startStep(quint64 serial, const ItemStep& step, Direction direction);
    bool isReplaying() const { return m_replaying; }
    QCoro::Task<void> runStep(quint64 serial, ItemStep step, Direction direction);
    // Brings one item from its state `from` to `to` through the workspace's operations.
    QCoro::Task<void> bringItem(std::optional<Item> from, std::optional<Item> to);
    // Puts the stack's index back after a step that did not happen, when the command is still where
    // it was.
    void revertIndex(quint64 serial, Direction direction);
    void reportConflict(const ItemStep& step, Direction direction, const QList<ItemChange>& conflicted);

    // The item as the store holds it now; none when it is not on any board (tombstones included).
    std::optional<Item> currentItem(const QUuid& itemId) const;
    QString boardName(const QUuid& boardId) const;
    // After a deletion: an item gone from a local board goes to its trash; a cloud board's trash is
    // read again.
    void trashIfDeleted(const Item& before);
    // Records a step when the operation changed any of its items.
    void record(QString name, QList<ItemChange> changes);

    BoardViewModel& m_workspace;
    StoreContext& m_context;
    ToastManager& m_toasts;
    ItemTrash m_trash;
    QUndoStack m_stack;
    quint64 m_nextSerial = 1;
    bool m_running = false;
    // Set while the stack's index is moved without running the steps it passes.
    bool m_replaying = false;
};
