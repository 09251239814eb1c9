#include "richtext/RichTextHitTester.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

int RichTextHitTester::characterAt(const QTextDocument& document, const QPointF& point)
{
    const QTextBlock block = [&document, &point] {
        for (QTextBlock candidate = document.begin(); candidate.isValid(); candidate = candidate.next()) {
            if (document.documentLayout()->blockBoundingRect(candidate).contains(point))
                return candidate;
        }
        return QTextBlock();
    }();
    if (!block.isValid() || !block.layout())
        return -1;
    const QTextLayout* layout = block.layout();
    const QPointF local = point - document.documentLayout()->blockBoundingRect(block).topLeft();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF rect = line.naturalTextRect();
        if (local.y() < rect.top() || local.y() >= rect.bottom() || local.x() < rect.left() || local.x() >= rect.right())
            continue;
        const int offset = line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
        if (offset < line.textStart() || offset >= line.textStart() + line.textLength())
            return -1;
        return block.position() + offset;
    }
    return -1;
}

std::optional<MentionRange> RichTextHitTester::mentionAt(const QTextDocument& document, const QList<MentionRange>& mentions,
    const QPointF& point)
{
    const int position = characterAt(document, point);
    if (position < 0)
        return std::nullopt;
    for (const MentionRange& mention : mentions) {
        if (mention.contains(position))
            return mention;
    }
    return std::nullopt;
}

std::optional<QString> RichTextHitTester::linkAt(const QTextDocument& document, const QPointF& point)
{
    const int position = characterAt(document, point);
    if (position < 0)
        return std::nullopt;
    const QTextBlock block = document.findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (position >= fragment.position() && position < fragment.position() + fragment.length()) {
            const QString href = fragment.charFormat().anchorHref();
            if (href.isEmpty())
                return std::nullopt;
            return href;
        }
    }
    return std::nullopt;
}

QRectF RichTextHitTester::firstLineRect(const QTextDocument& document, qsizetype location, qsizetype length)
{
    const QTextBlock block = document.findBlock(static_cast<int>(location));
    if (!block.isValid() || !block.layout())
        return {};
    const QTextLayout* layout = block.layout();
    const int start = static_cast<int>(location) - block.position();
    const QTextLine line = layout->lineForTextPosition(start);
    if (!line.isValid())
        return {};
    const int lineEnd = line.textStart() + line.textLength();
    const int end = std::min(lineEnd, start + static_cast<int>(length));
    const qreal left = line.cursorToX(start);
    const qreal right = line.cursorToX(end);
    const QPointF origin = document.documentLayout()->blockBoundingRect(block).topLeft();
    return QRectF(origin.x() + left, origin.y() + line.y(), right - left, line.height());
}
