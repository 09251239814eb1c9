// One section of the sidebar (local or cloud boards) in active mode: board rows and divider rows of
// the layout controller. Choosing a row selects its board; a board row's context menu adds dividers
// above or below it; board rows are dragged to reorder the section (the rows slide into place), and
// a board of the other section is refused. Items dropped on a board row move to that board.
#pragma once

#include <QHash>
#include <QListView>
#include <QPointer>
#include <QUuid>

#include <optional>

class BoardViewModel;
class QVariantAnimation;
class SidebarBoardDelegate;
class SidebarDividerView;
class SidebarLayoutController;
class SidebarListModel;
class ToastManager;

class SidebarSectionView : public QListView
{
    Q_OBJECT

public:
    static constexpr int reorderAnimationMs = 120;

    SidebarSectionView(BoardViewModel& workspace, ToastManager& toasts, SidebarLayoutController& controller,
        const QString& scope, QWidget* parent = nullptr);

    QString scope() const { return m_scope; }
    SidebarListModel* listModel() const { return m_model; }
    SidebarBoardDelegate* boardDelegate() const { return m_delegate; }
    bool isEmpty() const;

    // The context menu of a row (board: "Add Divider Above"/"Below"; divider: "Divider Color"), owned
    // by the caller; null for a row that does not exist.
    QMenu* makeContextMenu(int row);
    SidebarDividerView* dividerViewAt(int row) const;
    std::optional<QUuid> dropHover() const;
    bool isAnimatingReorder() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The board row under the point, if the row is a board.
    std::optional<QUuid> boardAt(const QPoint& position) const;
    bool acceptsDrop(const QMimeData* mimeData, const QPoint& position) const;
    void setDropHover(std::optional<QUuid> boardId);
    void dropItem(const QMimeData* mimeData, const QUuid& targetBoardId);
    void rebuildDividerViews();
    // Selected is the open board's row alone, so a screen reader tells it from the others.
    void selectOpenBoard();
    int rowOfBoard(const QUuid& boardId) const;
    void updateHeight();
    void startReorderAnimation(const QHash<QUuid, int>& oldTops);
    QHash<QUuid, int> rowTops() const;

    BoardViewModel& m_workspace;
    ToastManager& m_toasts;
    QPointer<SidebarLayoutController> m_controller;
    QString m_scope;
    SidebarListModel* m_model = nullptr;
    SidebarBoardDelegate* m_delegate = nullptr;
    QVariantAnimation* m_reorder = nullptr;
    QHash<QUuid, int> m_reorderStartOffsets;
    QWidget* m_announcer = nullptr;
};
