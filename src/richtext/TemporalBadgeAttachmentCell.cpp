#include "richtext/TemporalBadgeAttachmentCell.h"

#include "richtext/ShapingNeeds.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace {

struct LabelSize
{
    qreal width = 0;
    qreal ascent = 0;
};

// Measuring a label lays it out; a board shows the same few labels in the same few fonts again and
// again, so the sizes are kept per font (a handful: the text's sizes and weights) and label. Only
// numbers are kept, no font: fonts must not outlive the application, and this cache does.
LabelSize measure(const QString& label, const QFont& font)
{
    struct FontSizes
    {
        qreal ascent = 0;
        QHash<QString, qreal> widths;
    };
    constexpr qsizetype keptFonts = 16;
    constexpr qsizetype keptLabels = 512;
    thread_local QHash<QString, FontSizes> fonts;
    const QString fontKey = font.key();
    auto sizes = fonts.find(fontKey);
    if (sizes == fonts.end()) {
        if (fonts.size() >= keptFonts)
            fonts.clear();
        sizes = fonts.insert(fontKey, FontSizes {QFontMetricsF(font).ascent(), {}});
    }
    auto width = sizes->widths.constFind(label);
    if (width == sizes->widths.cend()) {
        if (sizes->widths.size() >= keptLabels)
            sizes->widths.clear();
        width = sizes->widths.insert(label, QFontMetricsF(font).horizontalAdvance(label));
    }
    return {*width, sizes->ascent};
}

} // namespace

TemporalBadgeAttachmentCell TemporalBadgeAttachmentCell::make(const QString& label, const QFont& badgeFont,
    const QColor& textColor, const QColor& backgroundColor)
{
    TemporalBadgeAttachmentCell cell;
    cell.label = label;
    cell.textColor = textColor;
    cell.backgroundColor = backgroundColor;
    cell.badgeFont = badgeFont;
    // A label in Latin letters and digits reads the same unshaped, and is drawn and measured faster.
    if (!ShapingNeeds::needsShaping(label))
        cell.badgeFont.setStyleStrategy(QFont::StyleStrategy(cell.badgeFont.styleStrategy() | QFont::PreferNoShaping));
    const LabelSize size = measure(label, cell.badgeFont);
    cell.intrinsicSize = QSizeF(size.width + 2 * horizontalPadding, size.ascent + 2.5 - 1.0);
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
