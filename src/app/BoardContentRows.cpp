// The rows of BoardContentView: which items the loaded pages show, where each row sits, and the card
// widgets of the rows in and around the view.
#include "app/BoardContentView.h"

#include "app/ConflictCopiesView.h"
#include "app/ItemCardView.h"
#include "app/ItemListState.h"
#include "app/Palette.h"
#include "richtext/FloatingNewItemComposer.h"
#include "symbols/SymbolIcons.h"
#include "workspace/BoardViewModel.h"
#include "workspace/undo/ItemHistory.h"

#include <QApplication>
#include <QDrag>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {
constexpr int sideMargin = 20;
constexpr int minimumCardWidth = 200;
// Rows this far above and below the view have cards too, so a short scroll or the next card of the
// keyboard finds its widget ready; a list that was never shown still has a first screen of cards.
constexpr int minimumOverscan = 300;
// Cards that scrolled out wait here for rows that scroll in; more than this are deleted.
constexpr qsizetype maxSpareCards = 12;
// Rows in view get their cards at once; the rows around the view get this many per turn, so a list
// filled at once (a board shown, a large sync's end) renders what the user sees first and the rest
// in the turns after. Scrolling brings fewer new rows than this into range per frame.
constexpr int cardsAheadPerTurn = 4;

size_t textKey(const Item& item)
{
    return qHash(item.content);
}
}

QList<QUuid> BoardContentView::shownItemIds()
{
    updatePendingCards();
    QList<QUuid> ids;
    for (const Row& row : m_rows) {
        if (row.kind == RowKind::card)
            ids << row.itemId;
    }
    return ids;
}

qsizetype BoardContentView::rowOfItem(const QUuid& itemId) const
{
    const auto found = m_itemIndex.constFind(itemId);
    if (found == m_itemIndex.constEnd())
        return -1;
    if (*found >= 0)
        return *found < m_shownLiveRows ? *found : -1;
    const qsizetype archived = -*found - 1;
    return archived < m_shownArchivedRows ? m_firstArchivedRow + archived : -1;
}

void BoardContentView::indexShownRows()
{
    for (; m_indexedLive < m_shownLiveRows; ++m_indexedLive)
        m_itemIndex.insert(m_liveItems.at(m_indexedLive)->id, m_indexedLive);
    for (; m_indexedArchived < m_shownArchivedRows; ++m_indexedArchived)
        m_itemIndex.insert(m_archivedItems.at(m_indexedArchived)->id, -m_indexedArchived - 1);
}

ItemCardView* BoardContentView::card(const QUuid& itemId)
{
    updatePendingCards();
    return m_cards.value(itemId);
}

QList<ItemCardView*> BoardContentView::cards()
{
    updatePendingCards();
    QList<ItemCardView*> result = m_cards.values();
    std::sort(result.begin(), result.end(), [this](const ItemCardView* a, const ItemCardView* b) {
        return rowOfItem(a->item().id) < rowOfItem(b->item().id);
    });
    return result;
}

ItemCardView* BoardContentView::ensureCardFor(const QUuid& itemId)
{
    updatePendingCards();
    const qsizetype row = rowOfItem(itemId);
    if (row < 0)
        return nullptr;
    scrollToRow(row, 20);
    return m_cards.value(itemId);
}

QWidget* BoardContentView::labelWidget(RowKind kind) const
{
    switch (kind) {
    case RowKind::empty:
        return m_emptyLabel;
    case RowKind::archivedHeader:
        return m_archivedHeader;
    case RowKind::loading:
        return m_loadingLabel;
    case RowKind::card:
        break;
    }
    return nullptr;
}

void BoardContentView::rebuildCards()
{
    m_cardsPending = false;
    const std::optional<Anchor> anchor = currentAnchor();
    // Which card holds the keyboard, and the list as it was: if that card leaves (deleted, archived,
    // moved to another status) the focus goes to the card that takes its place.
    std::optional<QUuid> focusedId;
    QList<QUuid> previousOrder;
    if (const QWidget* focus = QApplication::focusWidget()) {
        for (auto it = m_cards.cbegin(); it != m_cards.cend(); ++it) {
            if (it.value() == focus || it.value()->isAncestorOf(focus))
                focusedId = it.key();
        }
    }
    if (focusedId) {
        for (const Row& row : m_rows) {
            if (row.kind == RowKind::card)
                previousOrder << row.itemId;
        }
    }
    // Loading a page keeps the rows before it: their heights are kept as they are.
    const std::vector<Row> previousRows = std::exchange(m_rows, {});
    m_rows.reserve(
        size_t(std::min<qsizetype>(m_shownCount, m_liveItems.size() + m_archivedItems.size())) + 3);
    m_labelRows.clear();
    m_shownLiveRows = 0;
    m_shownArchivedRows = 0;
    m_firstArchivedRow = -1;

    m_rowsReadFrom = m_readFrom;
    int budget = m_shownCount;
    const auto place = [&](const Item* item) {
        m_rows.push_back({RowKind::card, item->id, item});
        --budget;
    };
    const auto placeLabel = [&](RowKind kind) {
        m_labelRows.push_back(qsizetype(m_rows.size()));
        m_rows.push_back({kind, QUuid(), nullptr});
    };
    for (const Item* item : std::as_const(m_liveItems)) {
        if (budget <= 0)
            break;
        place(item);
        ++m_shownLiveRows;
    }
    const bool allLiveShown = m_shownCount >= m_liveItems.size();
    if (m_liveItems.isEmpty() && m_archivedItems.isEmpty() && !m_awaitingWholeBoard)
        placeLabel(RowKind::empty);
    if (allLiveShown && !m_liveStillComing && m_archivedTotal > 0) {
        m_archivedHeader->setText(QStringLiteral("Archived (%1)").arg(m_archivedTotal));
        m_archivedHeader->setIcon(SymbolIcons::icon(
            m_archivedExpanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
            Palette::secondaryText(), 12));
        placeLabel(RowKind::archivedHeader);
        if (m_archivedExpanded) {
            m_firstArchivedRow = qsizetype(m_rows.size());
            for (const Item* item : std::as_const(m_archivedItems)) {
                if (budget <= 0)
                    break;
                place(item);
                ++m_shownArchivedRows;
            }
        }
    }
    if (hasMore() || m_awaitingWholeBoard)
        placeLabel(RowKind::loading);
    indexShownRows();
    for (RowKind kind : {RowKind::empty, RowKind::archivedHeader, RowKind::loading}) {
        const bool placed = std::any_of(m_labelRows.begin(), m_labelRows.end(),
            [this, kind](qsizetype row) { return m_rows[size_t(row)].kind == kind; });
        if (!placed)
            labelWidget(kind)->hide();
    }

    const bool focusLeaves = focusedId && rowOfItem(*focusedId) < 0;
    if (focusLeaves) {
        // Park the keyboard on the list while the leaving card goes: hiding it would hand the focus
        // to whatever the tab chain names next, or to nothing.
        setFocus(Qt::OtherFocusReason);
    }

    // Cards of items that left the list go; the others show their item as it is now.
    const std::optional<QUuid> recent = m_context.workspace.recentlyUpdatedItemId();
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        ItemCardView* card = it.value();
        if (rowOfItem(it.key()) < 0) {
            it = m_cards.erase(it);
            if (hasOwnState(card)) {
                m_unmeasured.remove(card);
                card->hide();
                card->deleteLater();
            } else {
                releaseCard(card);
            }
            continue;
        }
        const Item& item = *m_rows[size_t(rowOfItem(it.key()))].item;
        if (card->item().content != item.content)
            m_unmeasured.insert(card);
        card->setItem(item);
        card->setHighlighted(recent == item.id);
        ++it;
    }

    std::vector<int> heights(m_rows.size());
    for (size_t row = 0; row < m_rows.size(); ++row) {
        const Row& entry = m_rows[row];
        if (entry.kind != RowKind::card)
            heights[row] = labelWidget(entry.kind)->sizeHint().height();
        else if (const ItemCardView* card = m_cards.value(entry.itemId))
            heights[row] = card->height();
        else if (row < previousRows.size() && previousRows[row].itemId == entry.itemId)
            heights[row] = m_geometry.height(qsizetype(row));
        else
            heights[row] = m_geometry.expectedHeight(entry.itemId, textKey(*entry.item));
    }
    m_geometry.setHeights(std::move(heights));
    layoutRows(anchor);
    if (focusLeaves)
        focusAfterRemoval(previousOrder, *focusedId);
    fillViewport();
    placeComposer();
    focusArrivedItem();
}

void BoardContentView::focusAfterRemoval(const QList<QUuid>& previousOrder, const QUuid& removedId)
{
    // The nearest card above the removed one that stays; the one after it now stands where the
    // removed card stood.
    qsizetype above = -1;
    for (qsizetype i = previousOrder.indexOf(removedId) - 1; i >= 0 && above < 0; --i)
        above = rowOfItem(previousOrder.at(i));
    const auto isCardRow = [this](qsizetype row) {
        return row >= 0 && row < qsizetype(m_rows.size()) && m_rows[size_t(row)].kind == RowKind::card;
    };
    std::optional<QUuid> targetId;
    if (isCardRow(above + 1))
        targetId = m_rows[size_t(above + 1)].itemId;
    else if (isCardRow(above))
        targetId = m_rows[size_t(above)].itemId;
    if (targetId) {
        if (ItemCardView* card = ensureCardFor(*targetId)) {
            card->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    const bool headerShown = std::any_of(m_labelRows.begin(), m_labelRows.end(),
        [this](qsizetype row) { return m_rows[size_t(row)].kind == RowKind::archivedHeader; });
    if (headerShown) {
        m_archivedHeader->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (m_composer->addButton()->isVisibleTo(m_composer) && m_composer->addButton()->isEnabled()) {
        m_composer->addButton()->setFocus(Qt::OtherFocusReason);
        return;
    }
    // No card and no composer button to go to: the list itself keeps the keyboard.
    setFocus(Qt::OtherFocusReason);
}

std::optional<BoardContentView::Anchor> BoardContentView::currentAnchor() const
{
    const int value = m_scroll->verticalScrollBar()->value();
    // At the top the list stays at the top, whatever is measured.
    if (m_rows.empty() || value <= 0 || m_geometry.rowCount() != qsizetype(m_rows.size()))
        return std::nullopt;
    const qsizetype row = m_geometry.rowAt(value);
    const Row& entry = m_rows[size_t(row)];
    return Anchor {entry.itemId, entry.kind, value - m_geometry.top(row)};
}

qsizetype BoardContentView::rowOf(const Anchor& anchor) const
{
    if (anchor.kind == RowKind::card)
        return rowOfItem(anchor.itemId);
    for (qsizetype row : m_labelRows) {
        if (m_rows[size_t(row)].kind == anchor.kind)
            return row;
    }
    return -1;
}

int BoardContentView::measure(ItemCardView* card, bool fresh) const
{
    if (fresh) {
        // A card's inner layouts catch up with a new item on the next turn of the event loop; the
        // height is needed now, so their remembered sizes are dropped first.
        const QList<QWidget*> children = card->findChildren<QWidget*>();
        for (QWidget* child : children) {
            if (child->layout()) {
                child->layout()->invalidate();
                child->updateGeometry();
            }
        }
        card->layout()->invalidate();
    }
    const int width = m_geometry.width();
    return card->hasHeightForWidth() ? card->heightForWidth(width) : card->sizeHint().height();
}

void BoardContentView::layoutRows(std::optional<Anchor> anchor)
{
    if (m_layingOut)
        return;
    if (m_cardsPending) {
        rebuildCards();
        return;
    }
    const QScopedValueRollback guard(m_layingOut, true);
    QScrollBar* bar = m_scroll->verticalScrollBar();
    const QWidget* viewport = m_scroll->viewport();
    const int viewportHeight = std::max(0, viewport->height());
    const int width = std::max(minimumCardWidth, viewport->width() - 2 * sideMargin);
    if (!anchor)
        anchor = currentAnchor();
    if (width != m_geometry.width()) {
        m_geometry.setWidth(width);
        for (ItemCardView* card : std::as_const(m_cards))
            m_unmeasured.insert(card);
    }
    const bool remeasureAll = std::exchange(m_remeasureAll, false);
    const auto measureCards = [&](bool all) {
        bool changed = false;
        for (ItemCardView* card : std::as_const(m_cards)) {
            const bool fresh = m_unmeasured.remove(card);
            if (!fresh && !all)
                continue;
            if (card->width() != width)
                card->resize(width, std::max(card->height(), 1));
            const int height = measure(card, fresh);
            const QUuid id = card->item().id;
            if (!hasOwnState(card))
                m_geometry.remember(id, qHash(card->item().content), height);
            changed = m_geometry.setHeight(rowOfItem(id), height) || changed;
        }
        return changed;
    };
    measureCards(remeasureAll);

    int value = bar->value();
    qsizetype first = 0;
    qsizetype last = -1;
    const int overscan = std::max(viewportHeight / 2, minimumOverscan);
    int cardsAhead = 0;
    bool aheadLeft = false;
    // Measuring the cards that come in moves the rows after them; a few rounds settle it.
    for (int round = 0; round < 4; ++round) {
        if (anchor) {
            if (const qsizetype row = rowOf(*anchor); row >= 0)
                value = m_geometry.top(row) + anchor->offset;
        }
        value = std::clamp(value, 0, std::max(0, m_geometry.contentHeight() - viewportHeight));
        first = m_geometry.rowAt(value - overscan);
        last = m_geometry.rowAt(value + viewportHeight + overscan);
        const qsizetype firstInView = m_geometry.rowAt(value);
        const qsizetype lastInView = m_geometry.rowAt(value + viewportHeight);
        for (qsizetype row = first; row >= 0 && row <= last; ++row) {
            const Row& entry = m_rows[size_t(row)];
            if (entry.kind != RowKind::card || m_cards.contains(entry.itemId))
                continue;
            if (row < firstInView || row > lastInView) {
                if (cardsAhead == cardsAheadPerTurn) {
                    aheadLeft = true;
                    continue;
                }
                ++cardsAhead;
            }
            takeCard(*entry.item);
        }
        if (!measureCards(false))
            break;
    }

    for (auto it = m_cards.begin(); it != m_cards.end();) {
        const qsizetype row = rowOfItem(it.key());
        if ((row < first || row > last) && !isKeptForUser(it.value())) {
            releaseCard(it.value());
            it = m_cards.erase(it);
        } else {
            ++it;
        }
    }
    for (ItemCardView* card : std::as_const(m_cards)) {
        const qsizetype row = rowOfItem(card->item().id);
        card->setGeometry(sideMargin, m_geometry.top(row), width, m_geometry.height(row));
        if (card->isHidden())
            card->show();
    }
    for (qsizetype row : m_labelRows) {
        QWidget* label = labelWidget(m_rows[size_t(row)].kind);
        // The section header sits at the left at its own width; the notes span the list.
        const int labelWidth = label == m_archivedHeader ? label->sizeHint().width() : width;
        label->setGeometry(sideMargin, m_geometry.top(row), labelWidth, m_geometry.height(row));
        if (label->isHidden())
            label->show();
    }

    const int contentHeight = m_geometry.contentHeight();
    m_container->resize(viewport->width(), std::max(contentHeight, viewportHeight));
    bar->setPageStep(viewportHeight);
    bar->setRange(0, std::max(0, contentHeight - viewportHeight));
    bar->setValue(value);
    updateTabOrder();
    if (aheadLeft)
        scheduleLayout();
}

void BoardContentView::scheduleLayout()
{
    if (m_layoutPosted)
        return;
    m_layoutPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_layoutPosted = false;
            layoutRows();
        },
        Qt::QueuedConnection);
}

void BoardContentView::scrollToRow(qsizetype row, int margin)
{
    const Row entry = m_rows.at(size_t(row));
    for (int round = 0; round < 3; ++round) {
        const int value = m_scroll->verticalScrollBar()->value();
        const int viewportHeight = m_scroll->viewport()->height();
        const int top = m_geometry.top(row);
        const int bottom = top + m_geometry.height(row);
        int target = value;
        if (top - margin < value || bottom - top + 2 * margin > viewportHeight)
            target = top - margin;
        else if (bottom + margin > value + viewportHeight)
            target = bottom + margin - viewportHeight;
        const bool hasWidget = entry.kind != RowKind::card || m_cards.contains(entry.itemId);
        if (target == value && hasWidget)
            return;
        layoutRows(Anchor {entry.itemId, entry.kind, target - top});
    }
}

bool BoardContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        layoutRows();
    } else if (watched == m_container && event->type() == QEvent::LayoutRequest) {
        // A card asked for another height: its layouts are current by now.
        m_remeasureAll = true;
        scheduleLayout();
    }
    return QWidget::eventFilter(watched, event);
}

ItemCardView* BoardContentView::makeCard()
{
    auto* card = new ItemCardView(m_context, *m_listState, m_container);
    QPointer<ItemHistory> history(&ItemHistory::of(m_context.workspace));
    connect(card, &ItemCardView::updateRequested, this, [history](const Item& changed) {
        if (history)
            history->updateItem(changed);
    });
    connect(card, &ItemCardView::deleteRequested, this, [history](const Item& removed) {
        if (history)
            history->deleteItem(removed);
    });
    connect(card, &ItemCardView::archiveRequested, this, [history](const Item& changed, bool archived) {
        if (history)
            history->setItemArchived(changed, archived);
    });
    connect(card, &ItemCardView::moveRequested, this, &BoardContentView::requestMove);
    connect(card, &ItemCardView::mergeRequested, this, &BoardContentView::mergeDropped);
    // A card shows different items over its life: the item is read when the key comes.
    connect(card, &ItemCardView::neighbourRequested, this,
        [this, card](int step) { focusNeighbour(card->item().id, step); });
    connect(card, &ItemCardView::conflictCopiesRequested, m_conflictCopies, &ConflictCopiesView::reveal);
    return card;
}

ItemCardView* BoardContentView::takeCard(const Item& item)
{
    ItemCardView* card = m_spareCards.isEmpty() ? makeCard() : m_spareCards.takeLast();
    // The text is laid out for the card's width as the item is set.
    if (card->width() != m_geometry.width())
        card->resize(m_geometry.width(), std::max(card->height(), 1));
    card->setItem(item);
    card->setHighlighted(m_context.workspace.recentlyUpdatedItemId() == item.id);
    m_cards.insert(item.id, card);
    m_unmeasured.insert(card);
    return card;
}

void BoardContentView::releaseCard(ItemCardView* card)
{
    m_unmeasured.remove(card);
    card->hide();
    if (m_spareCards.size() >= maxSpareCards) {
        card->deleteLater();
        return;
    }
    // A spare card belongs to no item, so nothing the list state says about an item reaches it.
    card->setItem(Item {});
    card->setHighlighted(false);
    m_spareCards << card;
}

bool BoardContentView::hasOwnState(const ItemCardView* card) const
{
    return card->isEditing() || card->isExpanded() || card->isShowingMetadata() || card->isDropTargeted()
        || !card->magicState().isIdle();
}

bool BoardContentView::isKeptForUser(const ItemCardView* card) const
{
    if (hasOwnState(card) || m_listState->hoveredItemId() == card->item().id)
        return true;
    const QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == card || card->isAncestorOf(focus)))
        return true;
    // An open menu or a drag acts on the card's item when it ends.
    return card->findChild<QMenu*>(QString(), Qt::FindDirectChildrenOnly)
        || card->findChild<QDrag*>(QString(), Qt::FindDirectChildrenOnly);
}

void BoardContentView::updateTabOrder()
{
    // Cards are made and reused as the list scrolls; keep the ones there are in list order right
    // after the status tabs, the archived section's header among them.
    QList<QWidget*> chain;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        const Row& entry = m_rows[row];
        if (entry.kind == RowKind::archivedHeader)
            chain << m_archivedHeader;
        else if (entry.kind == RowKind::card)
            if (ItemCardView* card = m_cards.value(entry.itemId))
                chain << card;
    }
    if (chain == m_tabChain)
        return;
    m_tabChain = chain;
    QWidget* previous = m_scroll;
    const auto append = [&previous](QWidget* widget) {
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    for (QWidget* widget : std::as_const(chain)) {
        append(widget);
        // A card's own buttons follow it, before the next card.
        if (auto* card = qobject_cast<ItemCardView*>(widget)) {
            for (QWidget* stop : card->tabStops())
                append(stop);
        }
    }
    // The composer in the corner comes after the list it adds to: its Add button, or its editor
    // and buttons while it is open, in their own order.
    QList<QWidget*> composerStops;
    for (QWidget* next = m_composer->nextInFocusChain(); next != m_composer; next = next->nextInFocusChain()) {
        if (m_composer->isAncestorOf(next) && next->focusPolicy() & Qt::TabFocus)
            composerStops << next;
    }
    for (QWidget* stop : std::as_const(composerStops))
        append(stop);
}

void BoardContentView::focusNeighbour(const QUuid& itemId, int step)
{
    updatePendingCards();
    qsizetype row = rowOfItem(itemId);
    if (row < 0 || step == 0)
        return;
    const auto isLastCard = [this](qsizetype at) {
        for (size_t next = size_t(at) + 1; next < m_rows.size(); ++next) {
            if (m_rows[next].kind == RowKind::card)
                return false;
        }
        return true;
    };
    if (step > 0 && hasMore() && isLastCard(row)) {
        loadMore();
        row = rowOfItem(itemId);
    }
    const qsizetype direction = step > 0 ? 1 : -1;
    qsizetype remaining = std::abs(step);
    qsizetype target = row;
    while (remaining > 0) {
        target += direction;
        if (target < 0 || target >= qsizetype(m_rows.size()))
            return;
        if (m_rows[size_t(target)].kind == RowKind::card)
            --remaining;
    }
    if (ItemCardView* card = ensureCardFor(m_rows[size_t(target)].itemId))
        card->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

void BoardContentView::fillViewport()
{
    // A page that does not fill the view would leave nothing to scroll by: load the next at once.
    if (!hasMore())
        return;
    QPointer<BoardContentView> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && self->hasMore()
            && self->m_geometry.contentHeight() <= self->m_scroll->viewport()->height())
            self->loadMore();
    });
}
