// The item list of the selected board: the cards whose status is the shown tab and that pass the
// search and assignee filters, then the archived ones of that status in a collapsible section
// "Archived (n)". The list grows a page at a time as it scrolls ("Loading more…"), and only the rows
// in and just around the view have card widgets: the others are measured or estimated rows, and cards
// that scroll out are reused for the rows that scroll in. A card the user is working with (editing,
// focused, expanded, a menu open, being improved) keeps its widget wherever its row goes. The new-item
// composer floats at the bottom. Card requests go to the workspace from here.
#pragma once

#include "app/ItemFilter.h"
#include "app/ItemRowGeometry.h"
#include "app/RailSelection.h"
#include "app/ViewContext.h"
#include "domain/ColumnCounts.h"
#include "domain/Item.h"
#include "sidebar/ItemTransfer.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <optional>
#include <vector>

class ConflictCopiesView;
class TrashView;
class FloatingNewItemComposer;
class ItemCardView;
class ItemListState;
class QLabel;
class QScrollArea;
class QToolButton;

class BoardContentView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int pageSize = 40;

    BoardContentView(const ViewContext& context, QWidget* parent = nullptr);

    void setCurrentView(ViewMode mode);
    void setAssigneeFilter(const AssigneeFilter& filter);
    // Re-reads the selected board from the workspace. The items are read at once; the cards follow
    // once per turn of the event loop, so a burst of changes (loading the boards emits several
    // signals in a row) rebuilds them once. Asking for a card or a label of the list brings the
    // cards up to date first.
    void refresh();

    // The items the list shows (all pages), live ones first, then the archived ones. They point into
    // the board's items as the list last read them, and are valid until its next refresh.
    const QList<const Item*>& liveItems() const { return m_liveItems; }
    const QList<const Item*>& archivedItems() const { return m_archivedItems; }
    // The items of the rows loaded so far (all pages shown), in list order.
    QList<QUuid> shownItemIds();
    // The cards that exist now (those of the rows in and around the view, and the ones kept for
    // the user), in list order.
    QList<ItemCardView*> cards();
    // The card of the item if it has one now.
    ItemCardView* card(const QUuid& itemId);
    // Scrolls the item's row into view and returns its card; null if the list does not show the item.
    ItemCardView* ensureCardFor(const QUuid& itemId);
    bool isArchivedExpanded() const { return m_archivedExpanded; }
    void setArchivedExpanded(bool expanded);
    bool hasMore() const;
    void loadMore();

    ItemListState& listState() const { return *m_listState; }
    FloatingNewItemComposer* composer() const { return m_composer; }
    QLabel* loadingLabel();
    QToolButton* archivedHeader();
    QScrollArea* scrollArea() const { return m_scroll; }
    ConflictCopiesView* conflictCopies() const { return m_conflictCopies; }
    TrashView* trash() const { return m_trash; }
    // Opens the composer for a new item on the selected board.
    void openNewItemEditor();

    // The card requests, run against the workspace; a move shows its outcome as a toast.
    void requestMove(const Item& item, ItemStatus status);
    void mergeDropped(const Item& destination, const ItemTransfer& dropped);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class RowKind { card, empty, archivedHeader, loading };
    struct Row
    {
        RowKind kind = RowKind::card;
        QUuid itemId;
        const Item* item = nullptr; // in m_rowsReadFrom, for a card row
    };
    // A row and how far into it the view's top is, so the rows in view stay put while heights
    // above them are measured.
    struct Anchor
    {
        QUuid itemId;
        RowKind kind = RowKind::card;
        int offset = 0;
    };

    // The workspace's signals: another board's change, or the same board announced twice, leaves
    // the list as it is (a long column costs a walk over every item).
    void refreshIfChanged();
    void scheduleCards();
    void updatePendingCards();
    void rebuildCards();
    void placeComposer();
    void updateTabOrder();
    // Moves the keyboard focus from the card of `itemId` to the one `step` places away.
    void focusNeighbour(const QUuid& itemId, int step);
    // The focused card of `removedId` left the list: the keyboard goes to the next card, the
    // previous one when it was last, and the composer when no card is left.
    void focusAfterRemoval(const QList<QUuid>& previousOrder, const QUuid& removedId);
    void fillViewport();
    // `keepComposing`: the composer stays open for the next item (Ctrl+Shift+Return) rather than the
    // keyboard going to the new card.
    void submitNewItem(const QString& text, bool keepComposing);
    // Moves the keyboard to the card of the item just added once it is in the list, unless the user
    // has gone on elsewhere in the meantime.
    void focusArrivedItem();

    // The rows near the view get cards (BoardContentRows.cpp).
    std::optional<Anchor> currentAnchor() const;
    qsizetype rowOf(const Anchor& anchor) const;
    // The item's row, or -1 when the loaded pages do not show it.
    qsizetype rowOfItem(const QUuid& itemId) const;
    // Adds the rows loaded since the last call to m_itemIndex.
    void indexShownRows();
    void layoutRows(std::optional<Anchor> anchor = std::nullopt);
    void scheduleLayout();
    void scrollToRow(qsizetype row, int margin);
    ItemCardView* takeCard(const Item& item);
    ItemCardView* makeCard();
    void releaseCard(ItemCardView* card);
    bool isKeptForUser(const ItemCardView* card) const;
    bool hasOwnState(const ItemCardView* card) const;
    // The card's height at the list's width; `fresh` re-reads layouts that have not caught up with
    // a new item yet.
    int measure(ItemCardView* card, bool fresh) const;
    QWidget* labelWidget(RowKind kind) const;

    ViewContext m_context;
    ItemListState* m_listState = nullptr;
    ConflictCopiesView* m_conflictCopies = nullptr;
    TrashView* m_trash = nullptr;
    ViewMode m_mode = ViewMode::todo;
    AssigneeFilter m_assigneeFilter;
    // The column's items that pass the filters, in list order; they point into m_readFrom.
    QList<const Item*> m_liveItems;
    QList<const Item*> m_archivedItems;
    // While the board is shown by its first page: more live items of the column are on the way,
    // and the archived section's count is the whole board's.
    bool m_liveStillComing = false;
    qsizetype m_archivedTotal = 0;
    // Searched or filtered while the board is shown by its first page: no answer until it is whole.
    bool m_awaitingWholeBoard = false;
    int m_shownCount = pageSize;
    bool m_archivedExpanded = false;
    bool m_cardsPending = false; // the cards do not show the items yet
    bool m_cardsUpdatePosted = false;
    QUuid m_boardId;
    std::optional<QUuid> m_focusOnArrival; // the item just added, until its card has the focus
    // What the items were last read from. The list is held, so any change to the workspace's copy
    // detaches it: the same data means the same items, without comparing a long column item by item.
    QList<Item> m_readFrom;
    QString m_readQuery;
    bool m_readActive = false;
    std::optional<ColumnCounts> m_readCounts;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_container = nullptr;
    std::vector<Row> m_rows;
    // What m_rows point into: the items they were made from stay alive until the rows are made again,
    // even when a refresh has read newer ones meanwhile.
    QList<Item> m_rowsReadFrom;
    // The loaded rows' items: a live item's place, -1 - an archived one's. It grows with the pages
    // loaded, so a change on a long column costs the rows shown, not the column.
    QHash<QUuid, qsizetype> m_itemIndex;
    qsizetype m_indexedLive = 0;
    qsizetype m_indexedArchived = 0;
    qsizetype m_shownLiveRows = 0;
    qsizetype m_shownArchivedRows = 0;
    qsizetype m_firstArchivedRow = -1;
    ItemRowGeometry m_geometry;
    QList<BoardUser> m_geometryUsers; // the members the measured heights were rendered with
    std::vector<qsizetype> m_labelRows; // the rows that are not cards
    QList<ItemCardView*> m_spareCards;
    QSet<ItemCardView*> m_unmeasured;
    bool m_remeasureAll = false;
    QList<QWidget*> m_tabChain;
    bool m_layingOut = false;
    bool m_layoutPosted = false;
    QLabel* m_emptyLabel = nullptr;
    QToolButton* m_archivedHeader = nullptr;
    QLabel* m_loadingLabel = nullptr;
    QHash<QUuid, ItemCardView*> m_cards; // the cards of rows, by item
    FloatingNewItemComposer* m_composer = nullptr;
};
