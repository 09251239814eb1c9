// The detail area of the main window for the selected board: the header (title, refresh, settings,
// board info, search, assignee filter, invite), the search field, the board info panel, the status
// tabs and the item list.
#pragma once

#include "app/ItemFilter.h"
#include "app/RailSelection.h"
#include "app/ViewContext.h"

#include <QWidget>

class BoardContentView;
class BoardInfoView;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TopNavigationView;

class MainContentView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int inviteTapLimit = 3;

    MainContentView(const ViewContext& context, QWidget* parent = nullptr);

    ViewMode currentView() const { return m_currentView; }
    void setCurrentView(ViewMode mode);

    // The refresh button's action: synchronise the selected cloud board; nothing for a local board.
    void refreshBoard();
    void openSearch();
    void closeSearch();
    bool isSearchOpen() const;
    void setAssigneeFilter(const AssigneeFilter& filter);
    const AssigneeFilter& assigneeFilter() const { return m_assigneeFilter; }
    void toggleBoardInfo();
    bool isShowingBoardInfo() const;
    void tapInvite();
    bool isPostInvite() const;
    // The assignee filter menu as it would open now; the caller owns it.
    QMenu* makeAssigneeFilterMenu(QWidget* parent);

    QToolButton* refreshButton() const { return m_refresh; }
    QToolButton* settingsButton() const { return m_settings; }
    QToolButton* infoButton() const { return m_info; }
    QToolButton* dashboardButton() const { return m_dashboard; }
    QToolButton* searchButton() const { return m_search; }
    QToolButton* filterButton() const { return m_filter; }
    QPushButton* inviteButton() const { return m_invite; }
    QLineEdit* searchField() const { return m_searchField; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }
    BoardInfoView* boardInfo() const { return m_boardInfo; }
    TopNavigationView* tabs() const { return m_tabs; }
    BoardContentView* content() const { return m_content; }

Q_SIGNALS:
    void currentViewChanged(ViewMode mode);
    // Open "board-settings" for the selected board, with "users" for the Users tab or nothing.
    void boardSettingsRequested(const QString& value);
    // Open "board-dashboard" for the selected board.
    void boardDashboardRequested();

private:
    QWidget* buildHeader();
    QWidget* buildSearchRow();
    void updateHeader();
    void updateCounts();

    ViewContext m_context;
    ViewMode m_currentView = ViewMode::todo;
    AssigneeFilter m_assigneeFilter;

    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QToolButton* m_refresh = nullptr;
    QToolButton* m_settings = nullptr;
    QToolButton* m_info = nullptr;
    QToolButton* m_dashboard = nullptr;
    QToolButton* m_search = nullptr;
    QToolButton* m_filter = nullptr;
    QPushButton* m_invite = nullptr;
    QWidget* m_searchRow = nullptr;
    QLineEdit* m_searchField = nullptr;
    BoardInfoView* m_boardInfo = nullptr;
    TopNavigationView* m_tabs = nullptr;
    BoardContentView* m_content = nullptr;
};
