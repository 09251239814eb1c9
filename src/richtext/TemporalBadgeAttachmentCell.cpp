#include "richtext/TemporalBadgeAttachmentCell.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

TemporalBadgeAttachmentCell TemporalBadgeAttachmentCell::make(const QString& label, const QFont& badgeFont,
    const QColor& textColor, const QColor& backgroundColor)
{
    const QFontMetricsF metrics(badgeFont);
    TemporalBadgeAttachmentCell cell;
    cell.label = label;
    cell.textColor = textColor;
    cell.backgroundColor = backgroundColor;
    cell.badgeFont = badgeFont;
    cell.intrinsicSize = QSizeF(metrics.horizontalAdvance(label) + 2 * horizontalPadding, metrics.ascent() + 2.5 - 1.0);
    return cell;
}

void TemporalBadgeAttachmentCell::draw(QPainter* painter, const QRectF& frame) const
{
    if (frame.width() <= 0 || frame.height() <= 0 || intrinsicSize.width() <= 0 || intrinsicSize.height() <= 0)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(frame.left(), frame.top() + topPadding), intrinsicSize), cornerRadius, cornerRadius);
    painter->fillPath(path, backgroundColor);
    painter->setFont(badgeFont);
    painter->setPen(textColor);
    // The label sits on the badge's own baseline, lifted so it reads centred in the rounded box.
    const QFontMetricsF metrics(badgeFont);
    painter->drawText(QPointF(frame.left() + horizontalPadding, frame.top() + metrics.ascent() + topPadding - baselineLift + 1.0),
        label);
    painter->restore();
}
