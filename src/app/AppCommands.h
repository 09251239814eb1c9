// The menu commands of the main window: New Item, Sync Board Items, Refresh All Boards, Toggle
// Sidebar and Check for Updates…, with their shortcuts. Commands reach the windows through
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
    };

    AppCommands(QMenuBar& menuBar, NotificationCenter& center, Hooks hooks, QObject* parent = nullptr);

    void setSignedIn(bool signedIn);

    // Puts a command another part of the application owns at the end of the File menu.
    void addFileAction(QAction* action);

    QAction* newItemAction() const { return m_newItem; }
    QAction* syncBoardAction() const { return m_syncBoard; }
    QAction* refreshAllAction() const { return m_refreshAll; }
    QAction* toggleSidebarAction() const { return m_toggleSidebar; }
    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }

private:
    QMenu* m_fileMenu = nullptr;
    QAction* m_newItem = nullptr;
    QAction* m_syncBoard = nullptr;
    QAction* m_refreshAll = nullptr;
    QAction* m_toggleSidebar = nullptr;
    QAction* m_checkForUpdates = nullptr;
};
