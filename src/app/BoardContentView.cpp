#include "app/BoardContentView.h"

#include "app/ConflictCopiesView.h"
#include "app/ItemCardView.h"
#include "app/ItemListState.h"
#include "app/Palette.h"
#include "app/TrashView.h"
#include "richtext/EditorView.h"
#include "richtext/FloatingNewItemComposer.h"
#include "workspace/BoardViewModel.h"
#include "workspace/undo/ItemHistory.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {
// Moves report their outcome to the caller; the list shows it.
QCoro::Task<void> moveAndReport(QPointer<ItemHistory> history, QPointer<ToastManager> toasts, Item item,
    ItemStatus status)
{
    if (!history)
        co_return;
    const MoveOutcome outcome = co_await history->moveItem(item, status);
    if (toasts)
        toasts->showToast(outcome.failed ? ToastType::error : ToastType::success, outcome.message,
            ToastManager::successSeconds);
}
}

BoardContentView::BoardContentView(const ViewContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
    , m_listState(new ItemListState(this))
{
    setObjectName(QStringLiteral("boardContent"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_conflictCopies = new ConflictCopiesView(m_context, this);
    layout->addWidget(m_conflictCopies);
    m_trash = new TrashView(m_context, this);
    layout->addWidget(m_trash);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("itemScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    // The list sizes and fills its content itself, only the rows near the view having widgets.
    m_scroll->setWidgetResizable(false);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The cards take the focus and the list scrolls to the focused one; the area itself is no stop.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_container = new QWidget(m_scroll);
    m_container->setObjectName(QStringLiteral("itemContainer"));
    m_container->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setWidget(m_container);
    m_scroll->viewport()->installEventFilter(this);
    // A card asking for another size (expanded, details shown, editing) has the rows laid out again.
    m_container->installEventFilter(this);
    layout->addWidget(m_scroll);

    m_emptyLabel = new QLabel(QStringLiteral("No items here yet."), m_container);
    m_emptyLabel->setObjectName(QStringLiteral("emptyListLabel"));
    m_emptyLabel->setAlignment(Qt::AlignCenter);
    m_emptyLabel->setStyleSheet(QStringLiteral("color: %1; padding: 40px;").arg(Palette::secondaryText().name()));

    m_archivedHeader = new QToolButton(m_container);
    m_archivedHeader->setObjectName(QStringLiteral("archivedSectionHeader"));
    m_archivedHeader->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_archivedHeader->setAutoRaise(true);
    m_archivedHeader->setCursor(Qt::PointingHandCursor);
    m_archivedHeader->setIconSize(QSize(12, 12));
    m_archivedHeader->setStyleSheet(QStringLiteral("QToolButton { border: none; color: %1; padding: 10px 0 4px 0; "
                                                   "font-weight: 600; }")
                                        .arg(Palette::secondaryText().name()));
    connect(m_archivedHeader, &QToolButton::clicked, this, [this] { setArchivedExpanded(!m_archivedExpanded); });

    m_loadingLabel = new QLabel(QStringLiteral("Loading more…"), m_container);
    m_loadingLabel->setObjectName(QStringLiteral("loadingMoreLabel"));
    m_loadingLabel->setAlignment(Qt::AlignCenter);
    m_loadingLabel->setStyleSheet(QStringLiteral("color: %1; padding: 12px;").arg(Palette::secondaryText().name()));

    // Placed as rows only when they apply.
    m_emptyLabel->hide();
    m_archivedHeader->hide();
    m_loadingLabel->hide();

    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        layoutRows();
        if (hasMore() && value >= m_scroll->verticalScrollBar()->maximum() - 400)
            QTimer::singleShot(0, this, &BoardContentView::loadMore);
    });

    m_composer = new FloatingNewItemComposer(this);
    m_composer->setObjectName(QStringLiteral("newItemComposer"));
    connect(m_composer, &FloatingNewItemComposer::begin, this, &BoardContentView::openNewItemEditor);
    connect(m_composer, &FloatingNewItemComposer::cancelled, this, [this] {
        m_composer->setComposerVisible(false);
        placeComposer();
    });
    connect(m_composer, &FloatingNewItemComposer::submitted, this,
        [this](const QString& text) { submitNewItem(text, false); });
    connect(m_composer, &FloatingNewItemComposer::submittedToContinue, this,
        [this](const QString& text) { submitNewItem(text, true); });

    BoardViewModel& workspace = m_context.workspace;
    connect(&workspace, &BoardViewModel::selectedBoardChanged, this, &BoardContentView::refreshIfChanged);
    connect(&workspace, &BoardViewModel::boardsChanged, this, &BoardContentView::refreshIfChanged);
    connect(&workspace, &BoardViewModel::searchQueryChanged, this, &BoardContentView::refreshIfChanged);
    connect(&workspace, &BoardViewModel::recentlyUpdatedItemIdChanged, this, [this] {
        // The updated item's card may be one the pending rebuild makes.
        updatePendingCards();
        const auto recent = m_context.workspace.recentlyUpdatedItemId();
        for (ItemCardView* card : std::as_const(m_cards))
            card->setHighlighted(recent == card->item().id);
        if (recent && rowOfItem(*recent) >= 0)
            scrollToRow(rowOfItem(*recent), 40);
    });
    refresh();
}

void BoardContentView::setCurrentView(ViewMode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    m_shownCount = pageSize;
    refresh();
    m_scroll->verticalScrollBar()->setValue(0);
}

void BoardContentView::setAssigneeFilter(const AssigneeFilter& filter)
{
    if (m_assigneeFilter == filter)
        return;
    m_assigneeFilter = filter;
    refresh();
}

void BoardContentView::setArchivedExpanded(bool expanded)
{
    m_archivedExpanded = expanded;
    rebuildCards();
}

bool BoardContentView::hasMore() const
{
    const qsizetype total = m_liveItems.size() + (m_archivedExpanded ? m_archivedItems.size() : 0);
    return m_shownCount < total || m_liveStillComing;
}

void BoardContentView::loadMore()
{
    if (!hasMore())
        return;
    m_shownCount += pageSize;
    rebuildCards();
}

void BoardContentView::refresh()
{
    const Board& board = m_context.workspace.selectedBoard();
    if (board.id != m_boardId) {
        m_boardId = board.id;
        m_shownCount = pageSize;
        m_listState->setEditingItemId(std::nullopt);
        m_composer->setComposerVisible(false);
    }
    if (board.users != m_geometryUsers) {
        // Mentions read as member names: the measured heights were for the old names.
        m_geometryUsers = board.users;
        m_geometry.forgetMeasurements();
    }
    m_composer->setAddingEnabled(board.isActive);
    m_composer->setBoardUsers(board.users);
    m_composer->setStatusTint(Palette::statusColor(static_cast<int>(m_mode)));

    const ItemStatus status = allItemStatuses.at(static_cast<size_t>(m_mode));
    const ItemFilter filter(m_context.workspace.searchQuery(), m_assigneeFilter);
    // Sorted by reference: an item is a large record, and a long column's sort would move each one
    // many times.
    // Held, the list cannot change under the pointers below: the workspace's next change detaches
    // its own copy.
    m_readFrom = board.items;
    m_liveItems.clear();
    m_archivedItems.clear();
    const bool unfiltered = m_context.workspace.searchQuery().isEmpty() && !m_assigneeFilter.isActive();
    // A search or filter over the first page alone would be a wrong answer: the list says it is
    // searching and answers once the rest of the board has been read (it is being read already).
    m_awaitingWholeBoard = board.hasFirstPageOnly() && !unfiltered;
    m_loadingLabel->setText(
        m_awaitingWholeBoard ? QStringLiteral("Searching the whole board…") : QStringLiteral("Loading more…"));
    for (const Item& item : std::as_const(m_readFrom)) {
        if (m_awaitingWholeBoard)
            break;
        if (!item.isDeleted() && item.status == status && filter.passes(item))
            (item.isArchived() ? m_archivedItems : m_liveItems).append(&item);
    }
    const auto byOrder = [](const Item* a, const Item* b) { return a->order < b->order; };
    std::stable_sort(m_liveItems.begin(), m_liveItems.end(), byOrder);
    std::stable_sort(m_archivedItems.begin(), m_archivedItems.end(), byOrder);
    m_itemIndex.clear();
    m_indexedLive = 0;
    m_indexedArchived = 0;
    const ColumnCounts counts = board.columnCounts();
    m_liveStillComing = board.hasFirstPageOnly() && !m_awaitingWholeBoard && counts.liveIn(status) > m_liveItems.size();
    m_archivedTotal = board.hasFirstPageOnly() && unfiltered ? counts.archivedIn(status) : m_archivedItems.size();
    m_readQuery = m_context.workspace.searchQuery();
    m_readActive = board.isActive;
    m_readCounts = board.firstPageCounts;
    scheduleCards();
}

void BoardContentView::refreshIfChanged()
{
    const Board& board = m_context.workspace.selectedBoard();
    const bool same = board.id == m_boardId && board.items.constData() == m_readFrom.constData()
        && board.items.size() == m_readFrom.size() && board.users == m_geometryUsers
        && board.isActive == m_readActive && board.firstPageCounts == m_readCounts
        && m_context.workspace.searchQuery() == m_readQuery;
    if (!same)
        refresh();
}

void BoardContentView::scheduleCards()
{
    m_cardsPending = true;
    if (m_cardsUpdatePosted)
        return;
    m_cardsUpdatePosted = true;
    // Posted rather than timed: it runs in order with the paint the same changes asked for, before it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_cardsUpdatePosted = false;
            updatePendingCards();
        },
        Qt::QueuedConnection);
}

void BoardContentView::updatePendingCards()
{
    if (m_cardsPending)
        rebuildCards();
}

QLabel* BoardContentView::loadingLabel()
{
    updatePendingCards();
    return m_loadingLabel;
}

QToolButton* BoardContentView::archivedHeader()
{
    updatePendingCards();
    return m_archivedHeader;
}

void BoardContentView::openNewItemEditor()
{
    if (!m_context.workspace.selectedBoard().isActive)
        return;
    m_listState->setEditingItemId(std::nullopt);
    m_composer->setComposerVisible(true);
    placeComposer();
    m_composer->raise();
    m_composer->editor()->focusEditor();
}

void BoardContentView::submitNewItem(const QString& text, bool keepComposing)
{
    const QString content = text.trimmed();
    // With all its items: the new one goes after the last of them.
    const std::optional<Board> found = m_context.workspace.findBoard(m_context.workspace.selectedBoard().id);
    if (content.isEmpty() || !found || !found->isActive)
        return;
    const Board& board = *found;
    qint64 largest = 0;
    for (const Item& item : board.items)
        largest = std::max(largest, item.order);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Item item;
    item.id = QUuid::createUuid();
    item.content = content;
    item.status = allItemStatuses.at(static_cast<size_t>(m_mode));
    item.order = board.items.isEmpty() ? 1 : largest + 1;
    item.boardId = board.id;
    item.createdBy = m_context.currentUserId().value_or(QUuid());
    item.createdAt = now;
    item.updatedAt = now;
    m_composer->setDraft(QString());
    if (keepComposing) {
        // The editor stays open, empty and with the keyboard, for the next item.
        ItemHistory::of(m_context.workspace).addItem(item, board);
        return;
    }
    m_composer->setComposerVisible(false);
    placeComposer();
    // The editor that had the keyboard is gone: the Add button holds it until the new card is there
    // (a cloud board's item comes back from the service first), never the window's first control.
    m_composer->addButton()->setFocus(Qt::OtherFocusReason);
    m_focusOnArrival = item.id;
    ItemHistory::of(m_context.workspace).addItem(item, board);
    focusArrivedItem();
}

void BoardContentView::focusArrivedItem()
{
    if (!m_focusOnArrival)
        return;
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus != m_composer->addButton()) {
        m_focusOnArrival.reset();
        return;
    }
    // Taken while the list is made again below, which asks the same.
    const QUuid itemId = *std::exchange(m_focusOnArrival, std::nullopt);
    updatePendingCards();
    // A long column shows its first pages only; the new item is the last one.
    const bool inColumn = std::any_of(m_liveItems.cbegin(), m_liveItems.cend(),
        [&itemId](const Item* item) { return item->id == itemId; });
    while (inColumn && rowOfItem(itemId) < 0 && hasMore())
        loadMore();
    if (ItemCardView* card = ensureCardFor(itemId))
        card->setFocus(Qt::OtherFocusReason);
    else
        m_focusOnArrival = itemId;
}

void BoardContentView::requestMove(const Item& item, ItemStatus status)
{
    moveAndReport(QPointer<ItemHistory>(&ItemHistory::of(m_context.workspace)),
        QPointer<ToastManager>(&m_context.toasts), item, status);
}

void BoardContentView::mergeDropped(const Item& destination, const ItemTransfer& dropped)
{
    // The workspace reports a source it cannot find, so an unknown id is passed on as it is.
    Item source;
    source.id = dropped.itemId;
    source.boardId = dropped.fromBoardId;
    if (const std::optional<Board> board = m_context.workspace.findBoard(dropped.fromBoardId)) {
        for (const Item& item : board->items) {
            if (item.id == dropped.itemId)
                source = item;
        }
    }
    ItemHistory::of(m_context.workspace).mergeItems(source, destination);
}

void BoardContentView::placeComposer()
{
    if (m_composer->isComposerVisible()) {
        const int width = std::min(560, this->width() - 40);
        const int height = std::max(m_composer->sizeHint().height(), 120);
        m_composer->setGeometry((this->width() - width) / 2, this->height() - height - 16, width, height);
    } else {
        const QSize size = m_composer->sizeHint();
        m_composer->setGeometry(this->width() - size.width() - 24, this->height() - size.height() - 20, size.width(),
            size.height());
    }
    m_composer->raise();
}

void BoardContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeComposer();
}
