// One step of the item history on the QUndoStack. The operation has already happened when the
// command is pushed, so the first redo() does nothing; later ones hand the step to the history,
// which runs it asynchronously.
#pragma once

#include "workspace/undo/ItemStep.h"

#include <QUndoCommand>

class ItemHistory;

class ItemCommand : public QUndoCommand
{
public:
    ItemCommand(ItemHistory& history, quint64 serial, ItemStep step);

    void undo() override;
    void redo() override;
    quint64 serial() const { return m_serial; }

private:
    ItemHistory& m_history;
    quint64 m_serial;
    ItemStep m_step;
    bool m_pushed = false;
};
