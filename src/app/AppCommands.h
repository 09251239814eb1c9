// The main window's menus: File (New Item, Sync Board Items, Quit), Edit (the text commands of the
// focused field), View (Toggle Sidebar), Boards (Refresh All Boards) and Help (Keyboard Shortcuts,
// About Plenko, Check for Updates…), with their shortcuts. Commands reach the windows through
// application notifications; the two sync commands are enabled only while signed in.
#pragma once

#include <QObject>

#include <functional>

class NotificationCenter;
class QAction;
class QMenu;
class QMenuBar;

class AppCommands : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        std::function<void()> checkForUpdates;
        std::function<void()> refreshAllRequested; // records the usage event before the notification
        std::function<void()> showAbout;
        std::function<void()> showKeyboardShortcuts;
    };

    AppCommands(QMenuBar& menuBar, NotificationCenter& center, Hooks hooks, QObject* parent = nullptr);

    void setSignedIn(bool signedIn);

    // Puts a command another part of the application owns into the File menu, above Quit.
    void addFileAction(QAction* action);

    QAction* newItemAction() const { return m_newItem; }
    QAction* syncBoardAction() const { return m_syncBoard; }
    QAction* refreshAllAction() const { return m_refreshAll; }
    QAction* toggleSidebarAction() const { return m_toggleSidebar; }
    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction* aboutAction() const { return m_about; }
    QAction* keyboardShortcutsAction() const { return m_keyboardShortcuts; }
    QAction* quitAction() const { return m_quit; }
    // Edit ▸ Undo and Redo; they act on the focused text field until something else takes them.
    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }

private:
    void buildEditMenu(QMenuBar& menuBar);

    QMenu* m_fileMenu = nullptr;
    QAction* m_fileSeparator = nullptr;
    QAction* m_newItem = nullptr;
    QAction* m_syncBoard = nullptr;
    QAction* m_refreshAll = nullptr;
    QAction* m_toggleSidebar = nullptr;
    QAction* m_checkForUpdates = nullptr;
    QAction* m_about = nullptr;
    QAction* m_keyboardShortcuts = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
};
