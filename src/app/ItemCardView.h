// One item in the main window's list: its rendered text (clipped until expanded), its assignee, its
// metadata on demand, in-place editing, the context menu, hover actions, dragging, merging by
// dropping another card on it, and the text improvement overlay. The card changes nothing itself:
// every change leaves through its signals to the list, which calls the workspace.
#pragma once

#include "app/ItemCardAIOverlay.h"
#include "app/ItemCardMenu.h"
#include "app/ViewContext.h"
#include "domain/Item.h"
#include "sidebar/ItemTransfer.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QWidget>

#include <optional>

class EditorView;
class ItemListState;
class QHBoxLayout;
class MentionTextView;
class QLabel;
class QMenu;
class QToolButton;

class ItemCardView : public QWidget
{
    Q_OBJECT

public:
    // Text taller than this is clipped until the card is expanded.
    static constexpr int collapsedTextHeight = 132;

    ItemCardView(const ViewContext& context, ItemListState& listState, QWidget* parent = nullptr);
    ~ItemCardView() override;

    const Item& item() const { return m_item; }
    // Re-renders the text only when the item's content or its board's members changed.
    void setItem(const Item& item);
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_isHighlighted; }

    bool isEditing() const;
    bool isExpanded() const { return m_isExpanded; }
    bool isShowingMetadata() const { return m_isShowingMetadata; }
    bool isDropTargeted() const { return m_isDropTargeted; }
    bool isClipped() const { return m_isClipped; }
    const ItemCardMagicState& magicState() const { return m_magic; }

    QList<ItemCardMenuEntry> menuEntries() const;
    // The context menu as it would open now; the caller owns it.
    QMenu* makeContextMenu(QWidget* parent);
    void trigger(ItemCardAction action);
    void startImprovement();

    EditorView* editor() const { return m_editor; }
    // Null until the card's text is first improved.
    ItemCardAIOverlay* overlay() const { return m_overlay; }
    MentionTextView* textView() const { return m_text; }
    QToolButton* assigneeButton() const { return m_assigneeButton; }
    // The card's own controls that take the keyboard, in the order Tab reaches them after the card.
    QList<QWidget*> tabStops() const;
    // Shown while a conflict copy of this item is kept.
    QToolButton* conflictMarker() const { return m_conflictMarker; }
    // The assignee picker as it would open now; the caller owns it.
    QMenu* makeAssigneeMenu(QWidget* parent);

Q_SIGNALS:
    void updateRequested(const Item& item);
    void deleteRequested(const Item& item);
    void moveRequested(const Item& item, ItemStatus status);
    void archiveRequested(const Item& item, bool archived);
    void mergeRequested(const Item& destination, const ItemTransfer& dropped);
    // Up (-1) or Down (+1) on the focused card: the list moves the focus to the neighbouring card.
    void neighbourRequested(int step);
    // The conflict marker was pressed: show the board's conflict copies.
    void conflictCopiesRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::optional<Board> board() const;
    QList<BoardUser> members() const;
    void render();
    QWidget* hoverActions();
    QWidget* metadata();
    ItemCardAIOverlay* ensureOverlay();
    QWidget* dropLabel();
    void updateAccessibleDescription(const QString& assigneeName);
    void updateClipping();
    void updateAssignee();
    void updateConflictMarker();
    void updateMetadata();
    void updateHoverActions();
    void updateEditing();
    void submitEdit(const QString& text);
    void setMagic(const ItemCardMagicState& state);
    void finishImprovement(const std::optional<QString>& improved);
    void setDropTargeted(bool targeted);
    void assign(std::optional<QUuid> userId);
    void copyContent();
    static QCoro::Task<void> runImprovement(QPointer<ItemCardView> card, ViewContext context, Item item);

    ViewContext m_context;
    ItemListState& m_listState;
    Item m_item;
    QList<BoardUser> m_renderedMembers;
    QString m_renderedContent;
    bool m_hasRendered = false;

    bool m_isHighlighted = false;
    bool m_isExpanded = false;
    bool m_isClipped = false;
    bool m_isShowingMetadata = false;
    bool m_isDropTargeted = false;
    bool m_isHovered = false;
    std::optional<QString> m_pendingEditedContent;
    ItemCardMagicState m_magic;
    QPoint m_pressPosition;
    bool m_pressed = false;

    QWidget* m_content = nullptr;
    MentionTextView* m_text = nullptr;
    QToolButton* m_moreButton = nullptr;
    QToolButton* m_assigneeButton = nullptr;
    QLabel* m_assigneeName = nullptr;
    QToolButton* m_conflictMarker = nullptr;
    QHBoxLayout* m_footer = nullptr;
    QWidget* m_hoverActions = nullptr;
    QWidget* m_metadata = nullptr;
    QLabel* m_created = nullptr;
    QLabel* m_updated = nullptr;
    QLabel* m_createdBy = nullptr;
    QWidget* m_dropLabel = nullptr;
    ItemCardAIOverlay* m_overlay = nullptr;
    EditorView* m_editor = nullptr;
};
