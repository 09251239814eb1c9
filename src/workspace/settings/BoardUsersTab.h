// The Users tab: for a cloud board, invitations (owner of an active board) and the member list with
// its refresh and, for the owner, removal and ownership transfer after a confirmation. A local board
// and an archived board show why there is nothing to manage.
#pragma once

#include "domain/Board.h"
#include "workspace/settings/BoardSettingsContext.h"

#include <QList>
#include <QWidget>

#include <optional>

class InvitationPanel;
class MemberRow;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

class BoardUsersTab : public QWidget
{
    Q_OBJECT

public:
    explicit BoardUsersTab(BoardSettingsContext context, QWidget* parent = nullptr);

    void setBoard(const Board& board);
    // Loads the members of a cloud board from the service (the window does so when it opens).
    void refreshMembers();

    bool isLoadingUsers() const { return m_isLoadingUsers; }
    const QList<BoardUser>& boardUsers() const { return m_board.users; }
    std::optional<QUuid> removingUserId() const { return m_removingUserId; }

    // Which of the three faces shows: "local", "archived" or "members".
    QString face() const;
    QLabel* localNotice() const { return m_localNotice; }
    QLabel* loadingLabel() const { return m_loading; }
    QWidget* emptyState() const { return m_empty; }
    QPushButton* refreshButton() const { return m_refresh; }
    InvitationPanel* invitationPanel() const { return m_invitations; }
    QList<MemberRow*> memberRows() const { return m_rows; }

    void confirmRemoval(const BoardUser& user);
    void confirmTransfer(const BoardUser& user);

private:
    void showBoard();
    void rebuildRows();
    void removeMember(const BoardUser& user);
    void transferOwnership(const BoardUser& user);
    bool currentUserIsOwner() const;

    BoardSettingsContext m_context;
    Board m_board;
    bool m_isLoadingUsers = false;
    std::optional<QUuid> m_removingUserId;

    QStackedWidget* m_faces = nullptr;
    QLabel* m_localNotice = nullptr;
    QWidget* m_archivedNotice = nullptr;
    QWidget* m_membersFace = nullptr;
    InvitationPanel* m_invitations = nullptr;
    QWidget* m_invitationSeparator = nullptr;
    QPushButton* m_refresh = nullptr;
    QLabel* m_loading = nullptr;
    QWidget* m_empty = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    QList<MemberRow*> m_rows;
};
