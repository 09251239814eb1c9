// The item list of the selected board: the cards whose status is the shown tab and that pass the
// search and assignee filters, then the archived ones of that status in a collapsible section
// "Archived (n)". Cards are made a page at a time as the list scrolls ("Loading more…"), so a board
// of thousands of items opens at once; a card is kept while its item stays in the list. The new-item
// composer floats at the bottom. Card requests go to the workspace from here.
#pragma once

#include "app/ItemFilter.h"
#include "app/RailSelection.h"
#include "app/ViewContext.h"
#include "domain/Item.h"
#include "sidebar/ItemTransfer.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>

class ConflictCopiesView;
class FloatingNewItemComposer;
class ItemCardView;
class ItemListState;
class QLabel;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

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

    // The items the list shows (all pages), live ones first, then the archived ones.
    const QList<Item>& liveItems() const { return m_liveItems; }
    const QList<Item>& archivedItems() const { return m_archivedItems; }
    // The cards made so far, in list order.
    QList<ItemCardView*> cards();
    ItemCardView* card(const QUuid& itemId);
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
    // Opens the composer for a new item on the selected board.
    void openNewItemEditor();

    // The card requests, run against the workspace; a move shows its outcome as a toast.
    void requestMove(const Item& item, ItemStatus status);
    void mergeDropped(const Item& destination, const ItemTransfer& dropped);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void scheduleCards();
    void updatePendingCards();
    void rebuildCards();
    ItemCardView* cardFor(const Item& item);
    void placeComposer();
    void updateTabOrder();
    // Moves the keyboard focus from the card of `itemId` to the one `step` places away.
    void focusNeighbour(const QUuid& itemId, int step);
    // The focused card of `removedId` left the list: the keyboard goes to the next card, the
    // previous one when it was last, and the composer when no card is left.
    void focusAfterRemoval(const QList<QUuid>& previousOrder, const QUuid& removedId, const QSet<QUuid>& kept);
    void fillViewport();
    void submitNewItem(const QString& text);

    ViewContext m_context;
    ItemListState* m_listState = nullptr;
    ConflictCopiesView* m_conflictCopies = nullptr;
    ViewMode m_mode = ViewMode::todo;
    AssigneeFilter m_assigneeFilter;
    QList<Item> m_liveItems;
    QList<Item> m_archivedItems;
    int m_shownCount = pageSize;
    bool m_archivedExpanded = false;
    bool m_cardsPending = false; // the cards do not show the items yet
    bool m_cardsUpdatePosted = false;
    QUuid m_boardId;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_container = nullptr;
    QVBoxLayout* m_cardsLayout = nullptr;
    QLabel* m_emptyLabel = nullptr;
    QToolButton* m_archivedHeader = nullptr;
    QLabel* m_loadingLabel = nullptr;
    QHash<QUuid, ItemCardView*> m_cards;
    FloatingNewItemComposer* m_composer = nullptr;
};
