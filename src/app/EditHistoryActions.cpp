#include "app/EditHistoryActions.h"

#include "app/AppCommands.h"
#include "workspace/undo/ItemHistory.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
// The focused widget when it is a text field the user can type in.
QWidget* focusedTextField()
{
    QWidget* focus = QApplication::focusWidget();
    if (const auto* line = qobject_cast<QLineEdit*>(focus); line && !line->isReadOnly())
        return focus;
    if (const auto* text = qobject_cast<QTextEdit*>(focus); text && !text->isReadOnly())
        return focus;
    if (const auto* plain = qobject_cast<QPlainTextEdit*>(focus); plain && !plain->isReadOnly())
        return focus;
    return nullptr;
}

// A step name in a menu title: board names are the user's text, and '&' would mark a mnemonic.
QString menuTitle(const QString& verb, const QString& step)
{
    if (step.isEmpty())
        return verb;
    QString escaped = step;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return verb + QLatin1Char(' ') + escaped;
}
}

EditHistoryActions::EditHistoryActions(AppCommands& commands, ItemHistory& history)
    : QObject(&commands)
    , m_undo(*commands.undoAction())
    , m_redo(*commands.redoAction())
    , m_history(history)
{
    for (QAction* action : {&m_undo, &m_redo}) {
        // The menu starts with the text fields' undo alone; this takes it over.
        disconnect(action, &QAction::triggered, &commands, nullptr);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    m_undo.setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_redo.setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(&m_undo, &QAction::triggered, this, [this] { trigger(true); });
    connect(&m_redo, &QAction::triggered, this, [this] { trigger(false); });
    connect(&m_history, &ItemHistory::changed, this, &EditHistoryActions::refresh);
    connect(qApp, &QApplication::focusChanged, this, &EditHistoryActions::refresh);
    refresh();
}

void EditHistoryActions::trigger(bool undo)
{
    if (QWidget* field = focusedTextField()) {
        QMetaObject::invokeMethod(field, undo ? "undo" : "redo");
        return;
    }
    if (undo)
        m_history.undo();
    else
        m_history.redo();
}

void EditHistoryActions::refresh()
{
    if (focusedTextField()) {
        m_undo.setText(tr("Undo"));
        m_redo.setText(tr("Redo"));
        m_undo.setEnabled(true);
        m_redo.setEnabled(true);
        return;
    }
    m_undo.setText(menuTitle(tr("Undo"), m_history.undoText()));
    m_redo.setText(menuTitle(tr("Redo"), m_history.redoText()));
    m_undo.setEnabled(m_history.canUndo());
    m_redo.setEnabled(m_history.canRedo());
}
