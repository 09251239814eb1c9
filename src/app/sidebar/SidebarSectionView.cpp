#include "app/sidebar/SidebarSectionView.h"

#include "app/AppAccessibility.h"
#include "app/Palette.h"
#include "symbols/SymbolIcons.h"
#include "app/sidebar/SidebarBoardDelegate.h"
#include "app/sidebar/SidebarDividerView.h"
#include "sidebar/BoardTransfer.h"
#include "sidebar/ItemTransfer.h"
#include "sidebar/SidebarLayoutController.h"
#include "sidebar/SidebarListModel.h"
#include "workspace/BoardViewModel.h"
#include "workspace/undo/ItemHistory.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCoro/QCoroTask>
#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QVariantAnimation>

SidebarSectionView::SidebarSectionView(BoardViewModel& workspace, ToastManager& toasts,
    SidebarLayoutController& controller, const QString& scope, QWidget* parent)
    : QListView(parent)
    , m_workspace(workspace)
    , m_toasts(toasts)
    , m_controller(&controller)
    , m_scope(scope)
{
    setObjectName(QStringLiteral("sidebarSection-") + scope);
    m_announcer = AppAccessibility::makeAnnouncer(this);
    m_model = new SidebarListModel(&controller, scope, this);
    m_delegate = new SidebarBoardDelegate(workspace, this);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setMouseTracking(true);
    setUniformItemSizes(false);
    viewport()->setAttribute(Qt::WA_Hover);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QListView { background: transparent; outline: none; }"));

    m_reorder = new QVariantAnimation(this);
    m_reorder->setDuration(reorderAnimationMs);
    m_reorder->setEasingCurve(QEasingCurve::InOutQuad);
    m_reorder->setStartValue(1.0);
    m_reorder->setEndValue(0.0);
    connect(m_reorder, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        QHash<QUuid, int> offsets;
        for (auto it = m_reorderStartOffsets.cbegin(); it != m_reorderStartOffsets.cend(); ++it)
            offsets.insert(it.key(), qRound(it.value() * value.toDouble()));
        m_delegate->setSlideOffsets(std::move(offsets));
        viewport()->update();
    });
    connect(m_reorder, &QVariantAnimation::finished, this, [this] {
        m_delegate->setSlideOffsets({});
        viewport()->update();
    });

    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        rebuildDividerViews();
        updateHeight();
        selectOpenBoard();
    });
    const auto choose = [this](const QModelIndex& index) {
        if (!index.isValid() || index.data(SidebarListModel::IsDividerRole).toBool())
            return;
        (void)m_workspace.selectBoard(index.data(SidebarListModel::EntryIdRole).toUuid());
    };
    connect(this, &QListView::clicked, this, choose);
    // Return on the current row (the arrow keys move it); Space is handled in keyPressEvent.
    connect(this, &QListView::activated, this, choose);
    const auto repaint = [this] { viewport()->update(); };
    connect(&m_workspace, &BoardViewModel::selectedBoardChanged, this, repaint);
    connect(&m_workspace, &BoardViewModel::selectedBoardChanged, this, &SidebarSectionView::selectOpenBoard);
    connect(&m_workspace, &BoardViewModel::boardRefreshStatesChanged, this, repaint);
    connect(&m_workspace, &BoardViewModel::highlightedBoardsChanged, this, repaint);

    rebuildDividerViews();
    updateHeight();
    selectOpenBoard();
}

int SidebarSectionView::rowOfBoard(const QUuid& boardId) const
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row);
        if (!index.data(SidebarListModel::IsDividerRole).toBool()
            && index.data(SidebarListModel::EntryIdRole).toUuid() == boardId)
            return row;
    }
    return -1;
}

void SidebarSectionView::selectOpenBoard()
{
    const QUuid openId = m_workspace.selectedBoard().id;
    const int row = rowOfBoard(openId);
    if (row < 0)
        selectionModel()->clearSelection();
    else
        selectionModel()->select(m_model->index(row), QItemSelectionModel::ClearAndSelect);
    m_model->setOpenBoardId(openId);
    // The row just opened with Return or Space stays where it is, so nothing a screen reader follows
    // changes: it is told.
    if (row >= 0 && hasFocus() && currentIndex().row() == row)
        AppAccessibility::announce(m_announcer, m_model->index(row).data(Qt::AccessibleTextRole).toString());
}

QItemSelectionModel::SelectionFlags SidebarSectionView::selectionCommand(
    const QModelIndex& index, const QEvent* event) const
{
    // Moving through the rows with the keys does not open a board, so it does not select one either;
    // a press does (the click opens it), and a drag that opened nothing gives the selection back.
    if (!event || event->type() == QEvent::KeyPress)
        return QItemSelectionModel::NoUpdate;
    return QListView::selectionCommand(index, event);
}

void SidebarSectionView::focusInEvent(QFocusEvent* event)
{
    // Arriving in the list lands on the open board, or else on the first board; Qt would take the
    // first row silently, and the next Down would pass over it unheard.
    if (!currentIndex().isValid() || currentIndex().data(SidebarListModel::IsDividerRole).toBool()) {
        int row = rowOfBoard(m_workspace.selectedBoard().id);
        for (int candidate = 0; row < 0 && candidate < m_model->rowCount(); ++candidate) {
            if (!m_model->index(candidate).data(SidebarListModel::IsDividerRole).toBool())
                row = candidate;
        }
        if (row >= 0)
            selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::NoUpdate);
    }
    QListView::focusInEvent(event);
    // The list is announced after this handler; the row with the keyboard is announced after it.
    QPointer<SidebarSectionView> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self || !self->hasFocus() || !self->currentIndex().isValid())
                return;
            QAccessibleEvent focus(self.data(), QAccessible::Focus);
            focus.setChild(self->currentIndex().row());
            QAccessible::updateAccessibility(&focus);
        },
        Qt::QueuedConnection);
}

void SidebarSectionView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        Q_EMIT activated(currentIndex());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

bool SidebarSectionView::isEmpty() const
{
    return m_model->rowCount() == 0;
}

QSize SidebarSectionView::sizeHint() const
{
    int height = 0;
    for (int row = 0; row < m_model->rowCount(); ++row)
        height += sizeHintForRow(row);
    return QSize(200, height + 2);
}

QSize SidebarSectionView::minimumSizeHint() const
{
    return QSize(120, sizeHint().height());
}

void SidebarSectionView::updateHeight()
{
    // The sidebar scrolls as a whole; a section never scrolls on its own.
    setFixedHeight(sizeHint().height());
}

void SidebarSectionView::rebuildDividerViews()
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const std::optional<SidebarEntry> entry = m_model->entryAt(row);
        if (!entry || !entry->isDivider())
            continue;
        auto* view = new SidebarDividerView(*entry->divider());
        // Queued: the change rebuilds the rows, and with them the view that is still in its signal.
        connect(view, &SidebarDividerView::colorChosen, this,
            [this](const QUuid& id, SidebarDividerColor color) {
                if (!m_controller)
                    return;
                const qsizetype index = indexOfSidebarEntry(m_controller->entries(m_scope), id);
                m_controller->recolorDivider(m_scope, index, color);
            },
            Qt::QueuedConnection);
        connect(view, &SidebarDividerView::deleteRequested, this,
            [this](const QUuid& id) {
                if (!m_controller)
                    return;
                m_controller->removeEntry(m_scope, indexOfSidebarEntry(m_controller->entries(m_scope), id));
            },
            Qt::QueuedConnection);
        setIndexWidget(m_model->index(row), view);
    }
}

SidebarDividerView* SidebarSectionView::dividerViewAt(int row) const
{
    return qobject_cast<SidebarDividerView*>(indexWidget(m_model->index(row)));
}

QMenu* SidebarSectionView::makeContextMenu(int row)
{
    const std::optional<SidebarEntry> entry = m_model->entryAt(row);
    if (!entry)
        return nullptr;
    if (entry->isDivider()) {
        SidebarDividerView* view = dividerViewAt(row);
        return view ? view->makeContextMenu(this) : nullptr;
    }
    auto* menu = new QMenu(this);
    menu->setAccessibleName(QStringLiteral("Board actions"));
    const QUuid boardId = entry->id();
    const auto addDivider = [this, boardId](bool below) {
        if (!m_controller)
            return;
        // The row is found again by id: the layout may have changed while the menu was open.
        const qsizetype index = indexOfSidebarEntry(m_controller->entries(m_scope), boardId, true);
        m_controller->insertDivider(m_scope, index, below);
    };
    QAction* above = menu->addAction(SymbolIcons::icon(QStringLiteral("arrow.up.circle"), Palette::primaryText(), 14),
        QStringLiteral("Add Divider Above"));
    QAction* below = menu->addAction(SymbolIcons::icon(QStringLiteral("arrow.down.circle"), Palette::primaryText(), 14),
        QStringLiteral("Add Divider Below"));
    connect(above, &QAction::triggered, this, [addDivider] { addDivider(false); });
    connect(below, &QAction::triggered, this, [addDivider] { addDivider(true); });
    return menu;
}

void SidebarSectionView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(viewport()->mapFrom(this, event->pos()));
    if (!index.isValid())
        return;
    QMenu* menu = makeContextMenu(index.row());
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

std::optional<QUuid> SidebarSectionView::boardAt(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid() || index.data(SidebarListModel::IsDividerRole).toBool())
        return std::nullopt;
    return index.data(SidebarListModel::EntryIdRole).toUuid();
}

void SidebarSectionView::startDrag(Qt::DropActions supportedActions)
{
    Q_UNUSED(supportedActions)
    const QModelIndex index = currentIndex();
    if (!index.isValid() || index.data(SidebarListModel::IsDividerRole).toBool())
        return;
    QMimeData* mimeData = m_model->mimeData({index});
    if (!mimeData)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData);
    const QRect rect = visualRect(index);
    QPixmap preview(rect.size() * devicePixelRatioF());
    preview.setDevicePixelRatio(devicePixelRatioF());
    preview.fill(Qt::transparent);
    viewport()->render(&preview, QPoint(), QRegion(rect));
    drag->setPixmap(preview);
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rect.topLeft());
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    setDropHover(std::nullopt);
    selectOpenBoard();
}

bool SidebarSectionView::acceptsDrop(const QMimeData* mimeData, const QPoint& position) const
{
    const std::optional<QUuid> target = boardAt(position);
    if (!target)
        return false;
    if (BoardTransfer::isOffered(mimeData))
        return m_model->canDropMimeData(mimeData, Qt::MoveAction, -1, -1, indexAt(position));
    if (ItemTransfer::isOffered(mimeData))
        return ItemTransfer::read(mimeData).has_value();
    return false;
}

void SidebarSectionView::setDropHover(std::optional<QUuid> boardId)
{
    if (m_delegate->dropHover() == boardId)
        return;
    m_delegate->setDropHover(boardId);
    viewport()->update();
}

std::optional<QUuid> SidebarSectionView::dropHover() const
{
    return m_delegate->dropHover();
}

void SidebarSectionView::dragEnterEvent(QDragEnterEvent* event)
{
    if (BoardTransfer::isOffered(event->mimeData()) || ItemTransfer::isOffered(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void SidebarSectionView::dragMoveEvent(QDragMoveEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (!acceptsDrop(event->mimeData(), position)) {
        setDropHover(std::nullopt);
        event->ignore();
        return;
    }
    setDropHover(boardAt(position));
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void SidebarSectionView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropHover(std::nullopt);
    event->accept();
}

void SidebarSectionView::dropEvent(QDropEvent* event)
{
    setDropHover(std::nullopt);
    const QPoint position = event->position().toPoint();
    const std::optional<QUuid> target = boardAt(position);
    if (!target || !acceptsDrop(event->mimeData(), position)) {
        event->ignore();
        return;
    }
    if (ItemTransfer::isOffered(event->mimeData())) {
        dropItem(event->mimeData(), *target);
        event->acceptProposedAction();
        return;
    }
    const QHash<QUuid, int> oldTops = rowTops();
    if (!m_model->dropMimeData(event->mimeData(), Qt::MoveAction, -1, -1, indexAt(position))) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    startReorderAnimation(oldTops);
}

void SidebarSectionView::dropItem(const QMimeData* mimeData, const QUuid& targetBoardId)
{
    const auto transfer = ItemTransfer::read(mimeData);
    if (!transfer || transfer->fromBoardId == targetBoardId)
        return;
    const std::optional<Board> source = m_workspace.findBoard(transfer->fromBoardId);
    const std::optional<Board> target = m_workspace.findBoard(targetBoardId);
    if (!source || !target)
        return;
    const auto item = std::find_if(source->items.cbegin(), source->items.cend(),
        [&](const Item& each) { return each.id == transfer->itemId && !each.isDeleted(); });
    if (item == source->items.cend())
        return;
    QCoro::connect(ItemHistory::of(m_workspace).moveItemToBoard(*item, *target), this, [this](MoveOutcome outcome) {
        m_toasts.showToast(outcome.failed ? ToastType::error : ToastType::success, outcome.message,
            ToastManager::successSeconds);
    });
}

QHash<QUuid, int> SidebarSectionView::rowTops() const
{
    QHash<QUuid, int> tops;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row);
        tops.insert(index.data(SidebarListModel::EntryIdRole).toUuid(), visualRect(index).top());
    }
    return tops;
}

void SidebarSectionView::startReorderAnimation(const QHash<QUuid, int>& oldTops)
{
    // The layout calls setGeometry lazily; make the new row positions current before comparing.
    doItemsLayout();
    m_reorderStartOffsets.clear();
    const QHash<QUuid, int> newTops = rowTops();
    for (auto it = newTops.cbegin(); it != newTops.cend(); ++it) {
        const auto old = oldTops.constFind(it.key());
        if (old != oldTops.cend() && *old != it.value())
            m_reorderStartOffsets.insert(it.key(), *old - it.value());
    }
    if (m_reorderStartOffsets.isEmpty())
        return;
    m_reorder->stop();
    m_reorder->start();
}

bool SidebarSectionView::isAnimatingReorder() const
{
    return m_reorder->state() == QAbstractAnimation::Running;
}
