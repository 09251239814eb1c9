// Which mention or link lies under a point of a laid-out item text document (document coordinates).
#pragma once

#include "richtext/MentionRange.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

class QTextDocument;

class RichTextHitTester
{
public:
    static std::optional<MentionRange> mentionAt(const QTextDocument& document, const QList<MentionRange>& mentions,
        const QPointF& point);
    static std::optional<QString> linkAt(const QTextDocument& document, const QPointF& point);
    // The rectangle of the first line of [location, location + length), for placing a popover.
    static QRectF firstLineRect(const QTextDocument& document, qsizetype location, qsizetype length);

private:
    // The character under the point, or -1 when the point is over no character.
    static int characterAt(const QTextDocument& document, const QPointF& point);
};
