#include "app/AppCommands.h"

#include "app/AppNotifications.h"
#include "app/NotificationCenter.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace {
// The Edit menu acts on whichever text field has the focus; line edits, text edits and plain text
// edits all have these slots.
void invokeOnFocus(const char* slot)
{
    if (QWidget* focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, slot);
}
}

AppCommands::AppCommands(QMenuBar& menuBar, NotificationCenter& center, Hooks hooks, QObject* parent)
    : QObject(parent)
{
    auto post = [&center](QLatin1StringView name) { return [&center, name] { center.post(name); }; };

    QMenu* fileMenu = menuBar.addMenu(tr("&File"));
    m_fileMenu = fileMenu;
    m_newItem = fileMenu->addAction(tr("New Item"));
    m_newItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(m_newItem, &QAction::triggered, this, post(AppNotification::requestNewItemEditor));

    m_syncBoard = fileMenu->addAction(tr("Sync Board Items"));
    m_syncBoard->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(m_syncBoard, &QAction::triggered, this, post(AppNotification::requestBoardRefresh));
    m_fileSeparator = fileMenu->addSeparator();
    m_quit = fileMenu->addAction(tr("&Quit"));
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_quit, &QAction::triggered, QCoreApplication::instance(), &QCoreApplication::quit,
        Qt::QueuedConnection);

    buildEditMenu(menuBar);

    QMenu* viewMenu = menuBar.addMenu(tr("&View"));
    m_toggleSidebar = viewMenu->addAction(tr("Toggle Sidebar"));
    m_toggleSidebar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft));
    connect(m_toggleSidebar, &QAction::triggered, this, post(AppNotification::requestSidebarToggle));

    QMenu* boardsMenu = menuBar.addMenu(tr("&Boards"));
    m_refreshAll = boardsMenu->addAction(tr("Refresh All Boards"));
    connect(m_refreshAll, &QAction::triggered, this,
        [&center, recorded = std::move(hooks.refreshAllRequested)] {
            if (recorded)
                recorded();
            center.post(AppNotification::requestAllBoardsRefresh);
        });

    QMenu* helpMenu = menuBar.addMenu(tr("&Help"));
    m_keyboardShortcuts = helpMenu->addAction(tr("Keyboard Shortcuts"));
    m_keyboardShortcuts->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Slash));
    if (hooks.showKeyboardShortcuts)
        connect(m_keyboardShortcuts, &QAction::triggered, this, hooks.showKeyboardShortcuts);
    helpMenu->addSeparator();
    m_about = helpMenu->addAction(tr("About Plenko"));
    m_about->setMenuRole(QAction::AboutRole);
    if (hooks.showAbout)
        connect(m_about, &QAction::triggered, this, hooks.showAbout);
    m_checkForUpdates = helpMenu->addAction(tr("Check for Updates…"));
    m_checkForUpdates->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
    if (hooks.checkForUpdates)
        connect(m_checkForUpdates, &QAction::triggered, this, hooks.checkForUpdates);

    setSignedIn(false);
}

void AppCommands::buildEditMenu(QMenuBar& menuBar)
{
    QMenu* editMenu = menuBar.addMenu(tr("&Edit"));
    const auto add = [this, editMenu](const QString& title, QKeySequence::StandardKey key, const char* slot) {
        QAction* action = editMenu->addAction(title);
        action->setShortcut(key);
        // The focused field handles the same keys itself; the menu entry is for the mouse and for
        // finding the key.
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [slot] { invokeOnFocus(slot); });
        return action;
    };
    m_undo = add(tr("Undo"), QKeySequence::Undo, "undo");
    m_redo = add(tr("Redo"), QKeySequence::Redo, "redo");
    editMenu->addSeparator();
    add(tr("Cut"), QKeySequence::Cut, "cut");
    add(tr("Copy"), QKeySequence::Copy, "copy");
    add(tr("Paste"), QKeySequence::Paste, "paste");
    editMenu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, "selectAll");
}

void AppCommands::setSignedIn(bool signedIn)
{
    m_syncBoard->setEnabled(signedIn);
    m_refreshAll->setEnabled(signedIn);
}

void AppCommands::addFileAction(QAction* action)
{
    m_fileMenu->insertAction(m_fileSeparator, action);
}
