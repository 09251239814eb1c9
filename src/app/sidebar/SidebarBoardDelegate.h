// Draws one board row of the sidebar: the name, the selected and drop-hover highlights, and for a
// cloud board its last sync outcome ("Couldn't sync this board" on hover after a failure). Rows
// slide from their old place to the new one while a reorder animates. Divider rows are drawn by their
// own widgets; the delegate only sizes them.
#pragma once

#include <QHash>
#include <QStyledItemDelegate>
#include <QUuid>

#include <optional>

class BoardViewModel;

class SidebarBoardDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int boardRowHeight = 30;
    static constexpr int dividerRowHeight = 14;
    static QString syncFailureHelp() { return QStringLiteral("Couldn't sync this board"); }

    explicit SidebarBoardDelegate(BoardViewModel& workspace, QObject* parent = nullptr);

    void setDropHover(std::optional<QUuid> boardId) { m_dropHover = boardId; }
    std::optional<QUuid> dropHover() const { return m_dropHover; }
    // Vertical distance each row still has to travel, already scaled by the animation's progress.
    void setSlideOffsets(QHash<QUuid, int> offsets) { m_slideOffsets = std::move(offsets); }

    // The symbol a board row shows for its refresh state, empty for none.
    QString syncSymbol(const QUuid& boardId, bool syncWithServer) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

private:
    QRect symbolRect(const QRect& row) const;

    BoardViewModel& m_workspace;
    std::optional<QUuid> m_dropHover;
    QHash<QUuid, int> m_slideOffsets;
};
