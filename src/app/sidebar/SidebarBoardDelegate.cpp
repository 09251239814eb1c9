#include "app/sidebar/SidebarBoardDelegate.h"

#include "app/Palette.h"
#include "symbols/SymbolIcons.h"
#include "sidebar/SidebarListModel.h"
#include "workspace/BoardViewModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

SidebarBoardDelegate::SidebarBoardDelegate(BoardViewModel& workspace, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_workspace(workspace)
{
}

QString SidebarBoardDelegate::syncSymbol(const QUuid& boardId, bool syncWithServer) const
{
    if (!syncWithServer)
        return {};
    const auto state = m_workspace.boardRefreshStates().constFind(boardId);
    if (state == m_workspace.boardRefreshStates().constEnd())
        return {};
    switch (*state) {
    case BoardRefreshState::success:
        return QStringLiteral("checkmark.circle.fill");
    case BoardRefreshState::failure:
        return QStringLiteral("exclamationmark.circle.fill");
    case BoardRefreshState::refreshing:
        return QStringLiteral("arrow.clockwise");
    }
    return {};
}

QRect SidebarBoardDelegate::symbolRect(const QRect& row) const
{
    return QRect(row.right() - 26, row.top() + (row.height() - 14) / 2, 14, 14);
}

void SidebarBoardDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.data(SidebarListModel::IsDividerRole).toBool())
        return;
    const QUuid boardId = index.data(SidebarListModel::EntryIdRole).toUuid();
    const bool cloud = index.data(SidebarListModel::SyncWithServerRole).toBool();
    QRect row = option.rect.adjusted(8, 1, -8, -1);
    row.translate(0, m_slideOffsets.value(boardId, 0));

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = m_workspace.selectedBoard().id == boardId;
    const bool dropHover = m_dropHover == boardId;
    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(row), 6, 6);
    if (selected) {
        QColor fill = Palette::accent();
        fill.setAlphaF(0.28f);
        painter->fillPath(shape, fill);
    } else if (hovered) {
        painter->fillPath(shape, Palette::hover());
    }
    if (dropHover) {
        painter->setPen(QPen(Palette::accent(), 1.5));
        painter->drawPath(shape);
    }
    // The row the arrow keys reached, while the list has the keyboard focus.
    if (option.state.testFlag(QStyle::State_HasFocus))
        Palette::paintFocusRing(*painter, QRectF(row), 6);

    const QString symbol = syncSymbol(boardId, cloud);
    QRect textRect = row.adjusted(10, 0, symbol.isEmpty() ? -8 : -32, 0);
    if (m_workspace.highlightedBoards().contains(boardId)) {
        // A board changed by someone else carries a small dot before its name.
        painter->setPen(Qt::NoPen);
        painter->setBrush(Palette::accent());
        painter->drawEllipse(QPointF(row.left() + 8, row.center().y() + 0.5), 3, 3);
        textRect.setLeft(textRect.left() + 8);
    }
    QFont font = option.font;
    font.setWeight(selected ? QFont::DemiBold : QFont::Normal);
    painter->setFont(font);
    painter->setPen(selected ? Palette::primaryText() : Palette::primaryText().darker(112));
    const QString name = index.data(SidebarListModel::BoardNameRole).toString();
    painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(font).elidedText(name, Qt::ElideRight, textRect.width()));

    if (!symbol.isEmpty()) {
        const QColor color = symbol == QLatin1String("checkmark.circle.fill") ? Palette::named(QStringLiteral("SuccessColor"))
            : symbol == QLatin1String("exclamationmark.circle.fill")           ? Palette::named(QStringLiteral("ErrorColor"))
                                                                                : Palette::secondaryText();
        painter->drawPixmap(symbolRect(row), SymbolIcons::pixmap(symbol, color, 14, painter->device()->devicePixelRatioF()));
    }
    painter->restore();
}

QSize SidebarBoardDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool divider = index.data(SidebarListModel::IsDividerRole).toBool();
    return QSize(option.rect.width(), divider ? dividerRowHeight : boardRowHeight);
}

bool SidebarBoardDelegate::helpEvent(
    QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip && !index.data(SidebarListModel::IsDividerRole).toBool()) {
        const QUuid boardId = index.data(SidebarListModel::EntryIdRole).toUuid();
        const bool cloud = index.data(SidebarListModel::SyncWithServerRole).toBool();
        if (syncSymbol(boardId, cloud) == QLatin1String("exclamationmark.circle.fill")) {
            QToolTip::showText(event->globalPos(), syncFailureHelp(), view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
