#include "workspace/settings/BoardSettingsWindow.h"

#include "workspace/BoardViewModel.h"
#include "workspace/settings/BoardAdvancedTab.h"
#include "workspace/settings/BoardGeneralTab.h"
#include "workspace/settings/BoardUsersTab.h"
#include "symbols/SymbolIcons.h"

#include <QTabWidget>
#include <QVBoxLayout>

BoardSettingsWindow::BoardSettingsWindow(
    BoardSettingsContext context, Board board, std::optional<QString> value, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_context(std::move(context))
    , m_board(std::move(board))
{
    setObjectName(identifier());
    setWindowTitle(title());
    setAttribute(Qt::WA_DeleteOnClose);
    resize(defaultSize());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    m_tabs = new QTabWidget(this);
    m_tabs->setDocumentMode(true);
    m_general = new BoardGeneralTab(m_context, boardNameCharacterLimit, m_tabs);
    m_users = new BoardUsersTab(m_context, m_tabs);
    m_advanced = new BoardAdvancedTab(m_tabs);
    const QColor iconColor = palette().color(QPalette::WindowText);
    m_tabs->addTab(m_general, SymbolIcons::icon(QStringLiteral("gearshape.2"), iconColor), QStringLiteral("General"));
    m_tabs->addTab(m_users, SymbolIcons::icon(QStringLiteral("person.2"), iconColor), QStringLiteral("Users"));
    m_tabs->addTab(
        m_advanced, SymbolIcons::icon(QStringLiteral("slider.horizontal.3"), iconColor), QStringLiteral("Advanced"));
    layout->addWidget(m_tabs);

    followWorkspace();
    setSelectedTab(boardSettingsTabFromValue(value));

    connect(&m_context.workspace, &BoardViewModel::boardsChanged, this, &BoardSettingsWindow::followWorkspace);
    connect(&m_context.workspace, &BoardViewModel::selectedBoardChanged, this, &BoardSettingsWindow::followWorkspace);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        if (selectedTab() == BoardSettingsTab::advanced && !currentUserIsOwner())
            m_attemptedOwnerAccess = true;
    });
    connect(m_advanced, &BoardAdvancedTab::archiveConfirmed, this, &BoardSettingsWindow::archive);
    connect(m_advanced, &BoardAdvancedTab::deleteConfirmed, this, &BoardSettingsWindow::deleteBoard);

    if (m_board.syncWithServer && m_boardExists)
        m_users->refreshMembers();
}

bool BoardSettingsWindow::currentUserIsOwner() const
{
    return m_board.isOwnedBy(m_context.userId());
}

bool BoardSettingsWindow::isBoardEditable() const
{
    // Archived boards are read-only, and only the owner names a board.
    return m_boardExists && m_board.isActive && currentUserIsOwner();
}

BoardSettingsTab BoardSettingsWindow::selectedTab() const
{
    switch (m_tabs->currentIndex()) {
    case 1:
        return BoardSettingsTab::users;
    case 2:
        return BoardSettingsTab::advanced;
    default:
        return BoardSettingsTab::general;
    }
}

void BoardSettingsWindow::setSelectedTab(BoardSettingsTab tab)
{
    m_tabs->setCurrentIndex(tab == BoardSettingsTab::users ? 1 : tab == BoardSettingsTab::advanced ? 2 : 0);
}

void BoardSettingsWindow::followWorkspace()
{
    // The selected copy carries the freshest members; the list copy everything else.
    if (m_context.workspace.selectedBoard().id == m_board.id) {
        m_board = m_context.workspace.selectedBoard();
        m_boardExists = m_context.workspace.findBoard(m_board.id).has_value();
    } else if (const auto current = m_context.workspace.findBoard(m_board.id)) {
        m_board = *current;
        m_boardExists = true;
    } else {
        m_boardExists = false;
    }
    showBoard();
}

void BoardSettingsWindow::showBoard()
{
    m_general->setBoard(m_board, isBoardEditable());
    m_users->setBoard(m_board);
    m_advanced->setBoard(m_board, currentUserIsOwner(), m_context.workspace.boards().size());
}

void BoardSettingsWindow::archive(const Board& board)
{
    (void)m_context.workspace.setBoardArchived(board);
    close();
}

void BoardSettingsWindow::deleteBoard(const Board& board)
{
    (void)m_context.workspace.deleteBoard(board);
    close();
}
