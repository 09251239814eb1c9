#include "app/sidebar/SidebarArchivedList.h"

#include "app/sidebar/SidebarBoardDelegate.h"
#include "sidebar/SidebarListModel.h"
#include "workspace/BoardViewModel.h"

#include <QKeyEvent>

SidebarArchivedList::SidebarArchivedList(BoardViewModel& workspace, const QString& name, QWidget* parent)
    : QListWidget(parent)
    , m_workspace(workspace)
{
    setObjectName(name);
    m_delegate = new SidebarBoardDelegate(workspace, this);
    setItemDelegate(m_delegate);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setStyleSheet(QStringLiteral("QListWidget { background: transparent; outline: none; }"));
    const auto choose = [this](QListWidgetItem* item) {
        if (item)
            (void)m_workspace.selectBoard(item->data(SidebarListModel::EntryIdRole).toUuid());
    };
    connect(this, &QListWidget::itemClicked, this, choose);
    connect(this, &QListWidget::itemActivated, this, choose);
    const auto repaint = [this] { viewport()->update(); };
    connect(&m_workspace, &BoardViewModel::selectedBoardChanged, this, repaint);
    connect(&m_workspace, &BoardViewModel::boardRefreshStatesChanged, this, repaint);
}

void SidebarArchivedList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && currentItem()) {
        Q_EMIT itemActivated(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void SidebarArchivedList::setBoards(const QList<Board>& boards)
{
    clear();
    for (const Board& board : boards) {
        auto* item = new QListWidgetItem(board.name, this);
        item->setData(SidebarListModel::EntryIdRole, board.id);
        item->setData(SidebarListModel::IsDividerRole, false);
        item->setData(SidebarListModel::BoardNameRole, board.name);
        item->setData(SidebarListModel::SyncWithServerRole, board.syncWithServer);
    }
    setFixedHeight(sizeHint().height());
}

QSize SidebarArchivedList::sizeHint() const
{
    return QSize(200, count() * SidebarBoardDelegate::boardRowHeight + 2);
}
