#include "workspace/undo/ItemCommand.h"

#include "workspace/undo/ItemHistory.h"

ItemCommand::ItemCommand(ItemHistory& history, quint64 serial, ItemStep step)
    : QUndoCommand(step.name)
    , m_history(history)
    , m_serial(serial)
    , m_step(std::move(step))
{
}

void ItemCommand::undo()
{
    if (m_history.isReplaying())
        return;
    if (!m_history.startStep(m_serial, m_step, ItemHistory::Direction::back))
        setObsolete(true);
}

void ItemCommand::redo()
{
    if (!m_pushed) {
        m_pushed = true; // the user's operation itself
        return;
    }
    if (m_history.isReplaying())
        return;
    if (!m_history.startStep(m_serial, m_step, ItemHistory::Direction::forward))
        setObsolete(true);
}
