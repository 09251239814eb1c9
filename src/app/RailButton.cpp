#include "app/RailButton.h"

#include "app/Palette.h"
#include "symbols/SymbolIcons.h"

#include <QPainter>
#include <QPainterPath>

RailButton::RailButton(const QString& symbol, const QString& label, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
{
    setText(label);
    setToolTip(label);
    setAccessibleName(label);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void RailButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void RailButton::setInitials(const QString& initials)
{
    m_initials = initials;
    update();
}

QSize RailButton::sizeHint() const
{
    return { buttonWidth, text().isEmpty() ? 44 : 54 };
}

void RailButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RailButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void RailButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = m_selected ? Palette::primaryText() : Palette::secondaryText();
    const QRectF tile((width() - 36) / 2.0, 4, 36, 28);
    if (m_selected || m_hovered) {
        QPainterPath path;
        path.addRoundedRect(tile, 8, 8);
        painter.fillPath(path, m_selected ? Palette::hover().lighter(115) : Palette::hover());
    }
    if (hasFocus())
        Palette::paintFocusRing(painter, QRectF(rect()).adjusted(2, 0, -2, 0), 8);
    if (!m_initials.isEmpty()) {
        const QRectF circle(tile.center().x() - 13, tile.center().y() - 13, 26, 26);
        painter.setBrush(Palette::accent());
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(circle);
        QFont font = this->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(circle, Qt::AlignCenter, m_initials);
    } else {
        const QPixmap icon = SymbolIcons::pixmap(m_symbol, tint, 18, devicePixelRatioF());
        painter.drawPixmap(QPointF(tile.center().x() - 9, tile.center().y() - 9), icon);
    }
    if (!text().isEmpty()) {
        QFont font = this->font();
        font.setPointSizeF(font.pointSizeF() * 0.78);
        painter.setFont(font);
        painter.setPen(tint);
        painter.drawText(QRectF(0, tile.bottom() + 2, width(), height() - tile.bottom() - 2),
            Qt::AlignHCenter | Qt::AlignTop, text());
    }
}
