#include "richtext/TemporalBadgeObject.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

QTextCharFormat TemporalBadgeObject::format(const TemporalBadgeAttachmentCell& cell)
{
    QTextCharFormat format;
    format.setObjectType(Type);
    format.setProperty(Label, cell.label);
    format.setProperty(TextColor, cell.textColor);
    format.setProperty(BackgroundColor, cell.backgroundColor);
    format.setProperty(BadgeFont, cell.badgeFont);
    format.setProperty(Size, cell.intrinsicSize);
    // Screen readers and copies read the label where the badge stands.
    format.setToolTip(cell.label);
    return format;
}

TemporalBadgeAttachmentCell TemporalBadgeObject::cell(const QTextFormat& format)
{
    TemporalBadgeAttachmentCell cell;
    cell.label = format.stringProperty(Label);
    cell.textColor = format.colorProperty(TextColor);
    cell.backgroundColor = format.colorProperty(BackgroundColor);
    cell.badgeFont = format.property(BadgeFont).value<QFont>();
    cell.intrinsicSize = format.property(Size).toSizeF();
    return cell;
}

void TemporalBadgeObject::install(QTextDocument* document)
{
    static TemporalBadgeObject handler;
    document->documentLayout()->registerHandler(Type, &handler);
}

QSizeF TemporalBadgeObject::intrinsicSize(QTextDocument*, int, const QTextFormat& format)
{
    return format.property(Size).toSizeF();
}

void TemporalBadgeObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& format)
{
    cell(format).draw(painter, rect);
}
