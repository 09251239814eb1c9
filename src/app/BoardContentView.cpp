#include "app/BoardContentView.h"

#include "app/ConflictCopiesView.h"
#include "app/ItemCardView.h"
#include "app/ItemListState.h"
#include "app/Palette.h"
#include "symbols/SymbolIcons.h"
#include "richtext/EditorView.h"
#include "richtext/FloatingNewItemComposer.h"
#include "workspace/BoardViewModel.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Moves report their outcome to the caller; the list shows it.
QCoro::Task<void> moveAndReport(QPointer<BoardViewModel> workspace, QPointer<ToastManager> toasts, Item item,
    ItemStatus status)
{
    if (!workspace)
        co_return;
    const MoveOutcome outcome = co_await workspace->moveItem(item, status);
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
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("itemScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The cards take the focus and the list scrolls to the focused one; the area itself is no stop.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_container = new QWidget(m_scroll);
    m_container->setObjectName(QStringLiteral("itemContainer"));
    m_container->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_cardsLayout = new QVBoxLayout(m_container);
    m_cardsLayout->setContentsMargins(20, 14, 20, 84);
    m_cardsLayout->setSpacing(8);
    m_scroll->setWidget(m_container);
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

    // Placed by rebuildCards only when they apply.
    m_emptyLabel->hide();
    m_archivedHeader->hide();
    m_loadingLabel->hide();

    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
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
    connect(m_composer, &FloatingNewItemComposer::submitted, this, &BoardContentView::submitNewItem);

    BoardViewModel& workspace = m_context.workspace;
    connect(&workspace, &BoardViewModel::selectedBoardChanged, this, &BoardContentView::refresh);
    connect(&workspace, &BoardViewModel::boardsChanged, this, &BoardContentView::refresh);
    connect(&workspace, &BoardViewModel::searchQueryChanged, this, &BoardContentView::refresh);
    connect(&workspace, &BoardViewModel::recentlyUpdatedItemIdChanged, this, [this] {
        // The updated item's card may be one the pending rebuild makes.
        updatePendingCards();
        const auto recent = m_context.workspace.recentlyUpdatedItemId();
        for (ItemCardView* card : std::as_const(m_cards))
            card->setHighlighted(recent == card->item().id);
        if (recent) {
            if (ItemCardView* card = m_cards.value(*recent))
                m_scroll->ensureWidgetVisible(card, 0, 40);
        }
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
    return m_shownCount < total;
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
    m_composer->setAddingEnabled(board.isActive);
    m_composer->setBoardUsers(board.users);
    m_composer->setStatusTint(Palette::statusColor(static_cast<int>(m_mode)));

    const ItemStatus status = allItemStatuses.at(static_cast<size_t>(m_mode));
    const ItemFilter filter(m_context.workspace.searchQuery(), m_assigneeFilter);
    QList<Item> items;
    for (const Item& item : board.items) {
        if (!item.isDeleted() && item.status == status && filter.passes(item))
            items << item;
    }
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.order < b.order; });
    m_liveItems.clear();
    m_archivedItems.clear();
    for (const Item& item : std::as_const(items))
        (item.isArchived() ? m_archivedItems : m_liveItems) << item;
    scheduleCards();
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

ItemCardView* BoardContentView::card(const QUuid& itemId)
{
    updatePendingCards();
    return m_cards.value(itemId);
}

QList<ItemCardView*> BoardContentView::cards()
{
    updatePendingCards();
    QList<ItemCardView*> result;
    for (int i = 0; i < m_cardsLayout->count(); ++i) {
        if (auto* card = qobject_cast<ItemCardView*>(m_cardsLayout->itemAt(i)->widget()))
            result << card;
    }
    return result;
}

ItemCardView* BoardContentView::cardFor(const Item& item)
{
    if (ItemCardView* existing = m_cards.value(item.id)) {
        existing->setItem(item);
        return existing;
    }
    auto* card = new ItemCardView(m_context, *m_listState, m_container);
    card->setItem(item);
    QPointer<BoardViewModel> workspace(&m_context.workspace);
    connect(card, &ItemCardView::updateRequested, this, [workspace](const Item& changed) {
        if (workspace)
            workspace->updateItem(changed);
    });
    connect(card, &ItemCardView::deleteRequested, this, [workspace](const Item& removed) {
        if (workspace)
            workspace->deleteItem(removed);
    });
    connect(card, &ItemCardView::archiveRequested, this, [workspace](const Item& changed, bool archived) {
        if (workspace)
            workspace->setItemArchived(changed, archived);
    });
    connect(card, &ItemCardView::moveRequested, this, &BoardContentView::requestMove);
    connect(card, &ItemCardView::mergeRequested, this, &BoardContentView::mergeDropped);
    connect(card, &ItemCardView::neighbourRequested, this,
        [this, id = item.id](int step) { focusNeighbour(id, step); });
    connect(card, &ItemCardView::conflictCopiesRequested, m_conflictCopies, &ConflictCopiesView::reveal);
    m_cards.insert(item.id, card);
    return card;
}

void BoardContentView::rebuildCards()
{
    m_cardsPending = false;
    // Which card holds the keyboard, and the list as it was: if that card leaves (deleted, archived,
    // moved to another status) the focus goes to the card that takes its place.
    QList<QUuid> previousOrder;
    std::optional<QUuid> focusedId;
    const QWidget* focus = window()->focusWidget();
    for (int i = 0; i < m_cardsLayout->count(); ++i) {
        if (auto* card = qobject_cast<ItemCardView*>(m_cardsLayout->itemAt(i)->widget())) {
            previousOrder << card->item().id;
            if (focus && (card == focus || card->isAncestorOf(focus)))
                focusedId = card->item().id;
        }
    }
    // Take everything out of the layout; what stays is put back in its new order. Hiding only what
    // is left out afterwards spares the cards that stay a hide and show, each of which would lay the
    // list out again.
    QList<QWidget*> taken;
    while (m_cardsLayout->count() > 0) {
        QLayoutItem* entry = m_cardsLayout->takeAt(0);
        if (entry->widget())
            taken << entry->widget();
        delete entry;
    }

    QSet<QUuid> keep;
    int budget = m_shownCount;
    const auto place = [&](const Item& item) {
        ItemCardView* card = cardFor(item);
        card->setHighlighted(m_context.workspace.recentlyUpdatedItemId() == item.id);
        m_cardsLayout->addWidget(card);
        card->show();
        keep.insert(item.id);
        --budget;
    };
    for (const Item& item : std::as_const(m_liveItems)) {
        if (budget <= 0)
            break;
        place(item);
    }
    const bool allLiveShown = m_shownCount >= m_liveItems.size();
    if (m_liveItems.isEmpty() && m_archivedItems.isEmpty()) {
        m_cardsLayout->addWidget(m_emptyLabel);
        m_emptyLabel->show();
    }
    if (allLiveShown && !m_archivedItems.isEmpty()) {
        m_archivedHeader->setText(QStringLiteral("Archived (%1)").arg(m_archivedItems.size()));
        m_archivedHeader->setIcon(SymbolIcons::icon(
            m_archivedExpanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
            Palette::secondaryText(), 12));
        m_cardsLayout->addWidget(m_archivedHeader, 0, Qt::AlignLeft);
        m_archivedHeader->show();
        if (m_archivedExpanded) {
            for (const Item& item : std::as_const(m_archivedItems)) {
                if (budget <= 0)
                    break;
                place(item);
            }
        }
    }
    if (hasMore()) {
        m_cardsLayout->addWidget(m_loadingLabel);
        m_loadingLabel->show();
    }
    m_cardsLayout->addStretch(1);
    updateTabOrder();
    // Before the leaving card is hidden: hiding it would hand the focus to whatever the tab chain
    // names next, or to nothing.
    if (focusedId && !keep.contains(*focusedId))
        focusAfterRemoval(previousOrder, *focusedId, keep);
    QSet<QWidget*> placed;
    for (int i = 0; i < m_cardsLayout->count(); ++i)
        placed.insert(m_cardsLayout->itemAt(i)->widget());
    for (QWidget* widget : std::as_const(taken)) {
        if (!placed.contains(widget))
            widget->hide();
    }

    for (auto it = m_cards.begin(); it != m_cards.end();) {
        if (!keep.contains(it.key())) {
            it.value()->deleteLater();
            it = m_cards.erase(it);
        } else {
            ++it;
        }
    }
    fillViewport();
    placeComposer();
}

void BoardContentView::updateTabOrder()
{
    // Cards made later would join the end of the window's tab chain; keep them in list order right
    // after the status tabs, the archived section's header among them.
    QWidget* previous = m_scroll;
    for (int i = 0; i < m_cardsLayout->count(); ++i) {
        QWidget* widget = m_cardsLayout->itemAt(i)->widget();
        if (widget && (qobject_cast<ItemCardView*>(widget) || widget == m_archivedHeader)) {
            QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

void BoardContentView::focusNeighbour(const QUuid& itemId, int step)
{
    if (step > 0 && hasMore() && cards().size() > 0 && cards().last()->item().id == itemId)
        loadMore();
    const QList<ItemCardView*> list = cards();
    const auto from = std::find_if(
        list.begin(), list.end(), [&itemId](const ItemCardView* card) { return card->item().id == itemId; });
    if (from == list.end())
        return;
    const qsizetype target = (from - list.begin()) + step;
    if (target < 0 || target >= list.size())
        return;
    ItemCardView* card = list.at(target);
    card->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    m_scroll->ensureWidgetVisible(card, 0, 20);
}

void BoardContentView::focusAfterRemoval(const QList<QUuid>& previousOrder, const QUuid& removedId,
    const QSet<QUuid>& kept)
{
    QList<ItemCardView*> shown;
    for (int i = 0; i < m_cardsLayout->count(); ++i) {
        if (auto* card = qobject_cast<ItemCardView*>(m_cardsLayout->itemAt(i)->widget()))
            shown << card;
    }
    // The nearest card above the removed one that stays; the one after it now stands where the
    // removed card stood.
    qsizetype above = -1;
    for (qsizetype i = previousOrder.indexOf(removedId) - 1; i >= 0 && above < 0; --i) {
        if (kept.contains(previousOrder.at(i)))
            above = shown.indexOf(m_cards.value(previousOrder.at(i)));
    }
    QWidget* target = nullptr;
    if (above + 1 < shown.size())
        target = shown.at(above + 1);
    else if (above >= 0)
        target = shown.at(above);
    else if (m_archivedHeader->isVisibleTo(m_container) && m_cardsLayout->indexOf(m_archivedHeader) >= 0)
        target = m_archivedHeader;
    else if (m_composer->addButton()->isVisibleTo(m_composer) && m_composer->addButton()->isEnabled())
        target = m_composer->addButton();
    if (!target) {
        // No card and no composer button to go to: the list itself keeps the keyboard.
        setFocus(Qt::OtherFocusReason);
        return;
    }
    target->setFocus(Qt::OtherFocusReason);
    if (target != m_composer->addButton())
        m_scroll->ensureWidgetVisible(target, 0, 20);
}

void BoardContentView::fillViewport()
{
    // A page that does not fill the view would leave nothing to scroll by: load the next at once.
    if (!hasMore())
        return;
    QPointer<BoardContentView> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self || !self->hasMore())
            return;
        self->m_container->adjustSize();
        if (self->m_container->sizeHint().height() <= self->m_scroll->viewport()->height())
            self->loadMore();
    });
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

void BoardContentView::submitNewItem(const QString& text)
{
    const QString content = text.trimmed();
    const Board board = m_context.workspace.selectedBoard();
    if (content.isEmpty() || !board.isActive)
        return;
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
    m_composer->setComposerVisible(false);
    placeComposer();
    m_context.workspace.addItem(item, board);
}

void BoardContentView::requestMove(const Item& item, ItemStatus status)
{
    moveAndReport(QPointer<BoardViewModel>(&m_context.workspace), QPointer<ToastManager>(&m_context.toasts), item,
        status);
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
    m_context.workspace.mergeItems(source, destination);
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
