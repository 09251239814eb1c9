// The main window's content: the rail, the sidebar column, the detail area (or the boards overview)
// and the toast banner. It loads the boards when first shown (making the local board "On This Computer" on a
// first start, otherwise re-selecting the board stored under "selectedBoardId"), keeps that
// preference up to date, and reacts to the application notifications for tabs, the sidebar, the new
// item editor and the board refresh. Windows it does not own are asked for through its signals.
#pragma once

#include "app/RailSelection.h"
#include "app/ViewContext.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QWidget>

class BoardsOverviewView;
class MainContentView;
class QStackedWidget;
class RailView;
class SidebarView;
class SignInView;
class ToastView;

class ContentView : public QWidget
{
    Q_OBJECT

public:
    static inline const QString firstBoardName = QStringLiteral("On This Computer");

    ContentView(const ViewContext& context, QWidget* parent = nullptr);

    // Loads the boards and restores or makes the first selection. Runs by itself when the view is
    // first shown; later calls do nothing.
    QCoro::Task<void> start();
    bool hasStarted() const { return m_started; }

    ViewMode currentView() const;
    bool isSidebarVisible() const;
    void setSidebarVisible(bool visible);
    SidebarMode sidebarMode() const;
    // Closes the auxiliary windows and asks for the one with this identifier.
    void openWindow(const QString& identifier, const QString& value = QString());

    RailView* rail() const { return m_rail; }
    SidebarView* sidebar() const { return m_sidebar; }
    MainContentView* mainContent() const { return m_main; }
    BoardsOverviewView* boardsOverview() const { return m_overview; }
    ToastView* toastView() const { return m_toast; }
    // The sign-in dialog while it is open.
    SignInView* signInView() const;

    // Puts the account control (with its offline notice) at the foot of the sidebar column in place
    // of the rail's own account button.
    void setAccountControl(QWidget* control);

Q_SIGNALS:
    // Close the board settings, account and dashboard windows before another one opens.
    void closeAuxiliaryWindowsRequested();
    // Open a window by identifier ("board-settings", "board-dashboard", "account-details") with an
    // optional value; the auxiliary windows were asked to close just before.
    void windowRequested(const QString& identifier, const QString& value);
    // The rail's buttons, with the button to anchor a popover to.
    void notificationsRequested(QWidget* anchor);
    void changelogRequested(QWidget* anchor);
    void feedbackRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void observeNotifications();
    // Ctrl+1, Ctrl+2, Ctrl+3: shows the column and hands the keyboard to its tab.
    void showColumn(ViewMode mode);
    void setRailSelection(RailSelection selection);
    void updateAccount();
    // Asks where the service is, then starts the browser sign-in.
    void openSignIn();
    void storeSelection();
    QCoro::Task<void> reloadBoards();

    ViewContext m_context;
    bool m_started = false;
    bool m_starting = false;
    RailView* m_rail = nullptr;
    QWidget* m_sidebarColumn = nullptr;
    QWidget* m_accountControl = nullptr;
    SidebarView* m_sidebar = nullptr;
    QStackedWidget* m_stack = nullptr;
    MainContentView* m_main = nullptr;
    BoardsOverviewView* m_overview = nullptr;
    ToastView* m_toast = nullptr;
    QPointer<SignInView> m_signIn;
};
