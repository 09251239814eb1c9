#include "app/AppCommands.h"

#include "app/AppNotifications.h"
#include "app/NotificationCenter.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

AppCommands::AppCommands(QMenuBar& menuBar, NotificationCenter& center, Hooks hooks, QObject* parent)
    : QObject(parent)
{
    auto post = [&center](QLatin1StringView name) { return [&center, name] { center.post(name); }; };

    QMenu* appMenu = menuBar.addMenu(tr("&Plenko"));
    if (hooks.showAbout)
        appMenu->addAction(tr("About Plenko"), this, hooks.showAbout);
    m_checkForUpdates = appMenu->addAction(tr("Check for Updates…"));
    m_checkForUpdates->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
    if (hooks.checkForUpdates)
        connect(m_checkForUpdates, &QAction::triggered, this, hooks.checkForUpdates);
    appMenu->addSeparator();
    QAction* quit = appMenu->addAction(tr("Quit Plenko"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, QCoreApplication::instance(), &QCoreApplication::quit);

    QMenu* fileMenu = menuBar.addMenu(tr("&File"));
    m_fileMenu = fileMenu;
    m_newItem = fileMenu->addAction(tr("New Item"));
    m_newItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(m_newItem, &QAction::triggered, this, post(AppNotification::requestNewItemEditor));

    m_syncBoard = fileMenu->addAction(tr("Sync Board Items"));
    m_syncBoard->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(m_syncBoard, &QAction::triggered, this, post(AppNotification::requestBoardRefresh));

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

    setSignedIn(false);
}

void AppCommands::setSignedIn(bool signedIn)
{
    m_syncBoard->setEnabled(signedIn);
    m_refreshAll->setEnabled(signedIn);
}

void AppCommands::addFileAction(QAction* action)
{
    m_fileMenu->addAction(action);
}
