// The boards overview: totals over all active boards and one card per board with its progress.
// The boards come from the workspace through setBoards; when the screen appears it asks the
// workspace, through the fetchBoardDetails hook, for the members of cloud boards that lack them.
#pragma once

#include "domain/Board.h"

#include <QCoro/QCoroTask>
#include <QWidget>

#include <functional>

class QGridLayout;
class QLabel;
class QScrollArea;

class BoardsOverviewView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool isFetchingUsers READ isFetchingUsers NOTIFY isFetchingUsersChanged)

public:
    using FetchBoardDetails = std::function<QCoro::Task<void>(QUuid boardId)>;

    // At most three columns; fewer when the window is too narrow for three cards of this width.
    static constexpr int gridColumns = 3;
    static constexpr int gridSpacing = 24;
    static constexpr int minimumCardWidth = 220;

    // How many card columns a page of this inner width holds.
    static int columnsForWidth(int width);

    explicit BoardsOverviewView(QWidget* parent = nullptr);

    // The workspace's boards in its order; archived ones are left out here.
    void setBoards(const QList<Board>& boards);
    void setFetchBoardDetails(FetchBoardDetails fetch);

    bool isFetchingUsers() const { return m_isFetchingUsers; }
    // The card columns shown now.
    int columns() const { return m_columns; }

    // Fetches the members of the shown cloud boards that have none, one board after another.
    // Does nothing while a fetch is under way or when no hook is connected.
    QCoro::Task<void> loadMembers();

Q_SIGNALS:
    void isFetchingUsersChanged(bool fetching);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    void updateColumns();
    void setFetchingUsers(bool fetching);
    void addBoardGroup(const QString& heading, const QList<Board>& boards, int& row);

    QList<Board> m_boards;
    FetchBoardDetails m_fetchBoardDetails;
    bool m_isFetchingUsers = false;
    QList<QLabel*> m_totals;
    QGridLayout* m_grid;
    QWidget* m_groupsHost;
    QScrollArea* m_scroll = nullptr;
    int m_columns = gridColumns;
};
