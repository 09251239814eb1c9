// One date badge: a small rounded label that stands in the text in place of the date it shows.
#pragma once

#include <QColor>
#include <QFont>
#include <QSizeF>
#include <QString>

class QPainter;
class QRectF;

struct TemporalBadgeAttachmentCell
{
    static constexpr qreal topPadding = 1.0;
    static constexpr qreal baselineLift = 1.5;
    static constexpr qreal horizontalPadding = 4.0;
    static constexpr qreal cornerRadius = 5.0;

    QString label;
    QColor textColor;
    QColor backgroundColor;
    QFont badgeFont;
    QSizeF intrinsicSize;

    // Measures the label: width + 8, and the badge font's ascender + 2.5 - 1 tall.
    static TemporalBadgeAttachmentCell make(const QString& label, const QFont& badgeFont, const QColor& textColor,
        const QColor& backgroundColor);

    // Draws the badge with `frame`'s top-left corner as the badge's origin.
    void draw(QPainter* painter, const QRectF& frame) const;

    friend bool operator==(const TemporalBadgeAttachmentCell&, const TemporalBadgeAttachmentCell&) = default;
};
