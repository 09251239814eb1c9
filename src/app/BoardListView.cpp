#include "app/BoardListView.h"

#include "app/Palette.h"
#include "app/SymbolIcons.h"
#include "app/WindowDragArea.h"
#include "workspace/BoardViewModel.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

BoardListView::BoardListView(BoardViewModel& workspace, QWidget* parent)
    : QWidget(parent)
    , m_workspace(workspace)
{
    setObjectName(QStringLiteral("boardListView"));
    setMinimumWidth(200);
    setMaximumWidth(260);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new WindowDragArea(this);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(16, 40, 16, 8);
    m_title = new QLabel(header);
    m_title->setObjectName(QStringLiteral("sidebarTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 0.85);
    m_title->setFont(titleFont);
    m_title->setStyleSheet(QStringLiteral("color: %1; letter-spacing: 0.5px;").arg(Palette::secondaryText().name()));
    headerLayout->addWidget(m_title);
    layout->addWidget(header);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("boardList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setIconSize(QSize(14, 14));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setStyleSheet(QStringLiteral(
        "QListWidget { background: transparent; color: %1; outline: none; padding: 0 8px; }"
        "QListWidget::item { padding: 6px 8px; border-radius: 6px; margin: 1px 0; }"
        "QListWidget::item:hover { background: %2; }"
        "QListWidget::item:selected { background: %3; color: white; }")
                              .arg(Palette::primaryText().name(), Palette::hover().name(),
                                  Palette::accent().darker(140).name()));
    layout->addWidget(m_list, 1);

    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        if (m_rebuilding || !current)
            return;
        const QUuid id = current->data(Qt::UserRole).toUuid();
        if (id != m_workspace.selectedBoard().id)
            m_workspace.selectBoard(id);
    });
    connect(&m_workspace, &BoardViewModel::displayedBoardsChanged, this, &BoardListView::rebuild);
    connect(&m_workspace, &BoardViewModel::archivedBoardsChanged, this, &BoardListView::rebuild);
    connect(&m_workspace, &BoardViewModel::boardsChanged, this, &BoardListView::rebuild);
    connect(&m_workspace, &BoardViewModel::selectedBoardChanged, this, &BoardListView::rebuild);
    connect(&m_workspace, &BoardViewModel::boardRefreshStatesChanged, this, &BoardListView::rebuild);
    rebuild();
}

void BoardListView::setMode(SidebarMode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    rebuild();
}

void BoardListView::rebuild()
{
    m_rebuilding = true;
    m_title->setText(m_mode == SidebarMode::active ? QStringLiteral("BOARDS") : QStringLiteral("ARCHIVED"));
    m_list->clear();
    const QList<Board>& boards
        = m_mode == SidebarMode::active ? m_workspace.displayedBoards() : m_workspace.archivedBoards();
    const QUuid selected = m_workspace.selectedBoard().id;
    for (const Board& board : boards) {
        auto* row = new QListWidgetItem(board.name, m_list);
        row->setData(Qt::UserRole, board.id);
        if (board.syncWithServer) {
            const auto state = m_workspace.boardRefreshStates().constFind(board.id);
            if (state != m_workspace.boardRefreshStates().constEnd() && *state == BoardRefreshState::success)
                row->setIcon(SymbolIcons::icon(QStringLiteral("checkmark.circle.fill"),
                    Palette::named(QStringLiteral("SuccessColor")), 14));
            else if (state != m_workspace.boardRefreshStates().constEnd() && *state == BoardRefreshState::failure) {
                row->setIcon(SymbolIcons::icon(QStringLiteral("exclamationmark.circle.fill"),
                    Palette::named(QStringLiteral("ErrorColor")), 14));
                row->setToolTip(QStringLiteral("Couldn't sync this board"));
            }
        }
        if (board.id == selected)
            m_list->setCurrentItem(row);
    }
    m_rebuilding = false;
}

void BoardListView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::sidebarBackground());
    painter.setPen(Palette::separator());
    painter.drawLine(width() - 1, 0, width() - 1, height());
}
