// Lays out and draws date badges inside a QTextDocument. The badge's label, font, colours and size
// travel in the object's character format, so one handler serves every document.
#pragma once

#include "richtext/TemporalBadgeAttachmentCell.h"

#include <QObject>
#include <QTextCharFormat>
#include <QTextObjectInterface>

class QTextDocument;

class TemporalBadgeObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    static constexpr int Type = QTextFormat::UserObject + 1;

    static QTextCharFormat format(const TemporalBadgeAttachmentCell& cell);
    static TemporalBadgeAttachmentCell cell(const QTextFormat& format);
    // Makes `document` draw the badges its text carries.
    static void install(QTextDocument* document);

    QSizeF intrinsicSize(QTextDocument* document, int positionInDocument, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int positionInDocument,
        const QTextFormat& format) override;

private:
    enum Property {
        Label = QTextFormat::UserProperty + 1,
        TextColor,
        BackgroundColor,
        BadgeFont,
        Size,
    };
};
