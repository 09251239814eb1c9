// The sidebar column of the main window: the header with its menu, and either the local and cloud
// sections (active mode) or the archived boards (archived mode). It loads the boards when first
// shown and whenever sign-in changes, refreshes every board on "net.plenko.requestAllBoardsRefresh"
// while signed in, and opens the new-board and join-board dialogs.
//
// The main window owns it, sets its mode from the rail, and listens to modeChangeRequested (the back
// control of archived mode) and hideSidebarRequested.
#pragma once

#include "app/RailSelection.h"

#include <QPointer>
#include <QWidget>

class AuthState;
class BoardViewModel;
class LocalStore;
class NotificationCenter;
class QLabel;
class QStackedWidget;
class SidebarArchivedList;
class SidebarLayoutController;
class SidebarMainHeader;
class SidebarSectionView;
class ToastManager;

class SidebarView : public QWidget
{
    Q_OBJECT

public:
    struct Services
    {
        BoardViewModel& workspace;
        LocalStore& preferences;
        ToastManager& toasts;
        // Absent: nobody can sign in here, so the sidebar counts as signed out.
        QPointer<AuthState> auth;
        // The application's default centre when none is given.
        NotificationCenter* notifications = nullptr;
        // Off when the owner loads the boards itself at start (the main window does, to decide on
        // the first board); sign-in changes reload either way.
        bool loadsOnFirstShow = true;
    };

    explicit SidebarView(Services services, QWidget* parent = nullptr);

    SidebarMode mode() const { return m_mode; }
    void setMode(SidebarMode mode);
    bool isSignedIn() const;

    // Opens the dialogs of the header menu; each deletes itself when closed.
    QWidget* openNewBoardDialog();
    QWidget* openJoinBoardDialog();

    SidebarLayoutController& layoutController() const { return *m_layout; }
    SidebarMainHeader* header() const { return m_header; }
    SidebarSectionView* localSection() const { return m_local; }
    SidebarSectionView* remoteSection() const { return m_remote; }
    SidebarArchivedList* archivedLocalList() const { return m_archivedLocal; }
    SidebarArchivedList* archivedRemoteList() const { return m_archivedRemote; }

Q_SIGNALS:
    void modeChangeRequested(SidebarMode mode);
    void hideSidebarRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void loadBoards();
    void refreshAllBoards();
    void updateMenu();
    void updateSections();
    void createBoard(const QString& name, bool cloud);
    void joinBoard(const QString& code);

    BoardViewModel& m_workspace;
    LocalStore& m_preferences;
    ToastManager& m_toasts;
    QPointer<AuthState> m_auth;
    SidebarMode m_mode = SidebarMode::active;
    bool m_loadedOnce = false;
    bool m_loadsOnFirstShow = true;

    SidebarLayoutController* m_layout = nullptr;
    SidebarMainHeader* m_header = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_localTitle = nullptr;
    QLabel* m_remoteTitle = nullptr;
    SidebarSectionView* m_local = nullptr;
    SidebarSectionView* m_remote = nullptr;
    QLabel* m_archivedLocalTitle = nullptr;
    QLabel* m_archivedRemoteTitle = nullptr;
    SidebarArchivedList* m_archivedLocal = nullptr;
    SidebarArchivedList* m_archivedRemote = nullptr;
    QLabel* m_noArchived = nullptr;
};
