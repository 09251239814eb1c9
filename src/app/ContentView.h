// The main window's content: the rail, the sidebar column, the detail area (or the boards overview)
// and the toast banner. It loads the boards when first shown (making the local board "On My Mac" on a
// first start, otherwise re-selecting the board stored under "selectedBoardId"), keeps that
// preference up to date, and reacts to the application notifications for tabs, the sidebar, the new
// item editor and the board refresh. Windows it does not own are asked for through its signals.
#pragma once

#include "app/RailSelection.h"
#include "app/ViewContext.h"

#include <QCoro/QCoroTask>
#include <QWidget>

class BoardListView;
class BoardsOverviewView;
class MainContentView;
class QStackedWidget;
class RailView;
class ToastView;

class ContentView : public QWidget
{
    Q_OBJECT

public:
    static inline const QString firstBoardName = QStringLiteral("On My Mac");

    ContentView(const ViewContext& context, QWidget* parent = nullptr);

    // Loads the boards and restores or makes the first selection. Runs by itself when the view is
    // first shown; later calls do nothing.
    QCoro::Task<void> start();
    bool hasStarted() const { return m_started; }

    ViewMode currentView() const;
    bool isSidebarVisible() const;
    SidebarMode sidebarMode() const { return m_sidebarMode; }

    RailView* rail() const { return m_rail; }
    BoardListView* sidebar() const { return m_sidebar; }
    MainContentView* mainContent() const { return m_main; }
    BoardsOverviewView* boardsOverview() const { return m_overview; }
    ToastView* toastView() const { return m_toast; }

Q_SIGNALS:
    // Close the board settings, account and dashboard windows before another one opens.
    void closeAuxiliaryWindowsRequested();
    // Open a window by identifier ("board-settings", "account-details") with an optional value.
    void windowRequested(const QString& identifier, const QString& value);
    void notificationsRequested();
    void changelogRequested();
    void feedbackRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void observeNotifications();
    void setRailSelection(RailSelection selection);
    void updateAccount();
    void storeSelection();
    void openWindow(const QString& identifier, const QString& value);
    QCoro::Task<void> reloadBoards();

    ViewContext m_context;
    bool m_started = false;
    bool m_starting = false;
    SidebarMode m_sidebarMode = SidebarMode::active;
    RailView* m_rail = nullptr;
    BoardListView* m_sidebar = nullptr;
    QStackedWidget* m_stack = nullptr;
    MainContentView* m_main = nullptr;
    BoardsOverviewView* m_overview = nullptr;
    ToastView* m_toast = nullptr;
};
