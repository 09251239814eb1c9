// Edit ▸ Undo and Redo for the main window: the focused text field's own undo while a text field
// has the focus, the item history's otherwise, named by its step ("Undo Move to Done"). Ctrl+Z,
// Ctrl+Shift+Z and Ctrl+Y work window-wide; an editable text field claims them first, so typing
// keeps its own undo.
#pragma once

#include <QObject>

class AppCommands;
class ItemHistory;
class QAction;

class EditHistoryActions : public QObject
{
    Q_OBJECT

public:
    // A child of the commands, whose Undo and Redo it takes over.
    EditHistoryActions(AppCommands& commands, ItemHistory& history);

private:
    void refresh();
    void trigger(bool undo);

    QAction& m_undo;
    QAction& m_redo;
    ItemHistory& m_history;
};
