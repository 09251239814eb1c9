// The board settings window ("board-settings"): the General, Users and Advanced tabs for one board,
// which it follows in the workspace by id, so changes made anywhere show at once. A board that
// leaves the workspace meanwhile stays shown as it was until the window is closed. Confirmed archive
// and delete close the window. The window deletes itself when closed.
#pragma once

#include "domain/Board.h"
#include "workspace/settings/BoardSettingsContext.h"
#include "workspace/settings/BoardSettingsTab.h"

#include <QWidget>

#include <optional>

class BoardAdvancedTab;
class BoardGeneralTab;
class BoardUsersTab;
class QTabWidget;

class BoardSettingsWindow : public QWidget
{
    Q_OBJECT

public:
    static QString identifier() { return QStringLiteral("board-settings"); }
    static QString title() { return QStringLiteral("Board Settings"); }
    static QSize defaultSize() { return {560, 520}; }
    static constexpr int boardNameCharacterLimit = 20;

    // Opens on the tab the value names ("users"), else on General. A cloud board loads its members.
    BoardSettingsWindow(BoardSettingsContext context, Board board, std::optional<QString> value = std::nullopt,
        QWidget* parent = nullptr);

    const Board& board() const { return m_board; }
    // Whether the board is still in the workspace.
    bool boardExists() const { return m_boardExists; }
    bool currentUserIsOwner() const;
    bool isBoardEditable() const;
    bool attemptedOwnerAccess() const { return m_attemptedOwnerAccess; }

    BoardSettingsTab selectedTab() const;
    void setSelectedTab(BoardSettingsTab tab);

    QTabWidget* tabs() const { return m_tabs; }
    BoardGeneralTab* generalTab() const { return m_general; }
    BoardUsersTab* usersTab() const { return m_users; }
    BoardAdvancedTab* advancedTab() const { return m_advanced; }

private:
    void followWorkspace();
    void showBoard();
    void archive(const Board& board);
    void deleteBoard(const Board& board);

    BoardSettingsContext m_context;
    Board m_board;
    bool m_boardExists = true;
    bool m_attemptedOwnerAccess = false;

    QTabWidget* m_tabs = nullptr;
    BoardGeneralTab* m_general = nullptr;
    BoardUsersTab* m_users = nullptr;
    BoardAdvancedTab* m_advanced = nullptr;
};
