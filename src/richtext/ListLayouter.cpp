#include "richtext/ListLayouter.h"

#include <QSet>

#include <algorithm>

namespace {

const QChar lineFeed(u'\n');

} // namespace

QString ListLayouter::marker(const ListItemInfo& info)
{
    const QString indent(2 * std::max(info.depth, 1), QLatin1Char(' '));
    const QString mark = info.isOrdered ? QString::number(info.ordinal) + QLatin1Char('.') : QStringLiteral("-");
    return indent + mark + QLatin1Char(' ');
}

QList<ListItemLayout> ListLayouter::layouts(const QList<ListItemInfo>& items, const QList<qsizetype>& positionMap)
{
    QList<ListItemLayout> result;
    QSet<int> seenContainers;
    for (const ListItemInfo& info : items) {
        ListItemLayout layout;
        layout.info = info;
        layout.location = positionMap.value(info.start, positionMap.last());
        const qsizetype end = info.end > info.start ? positionMap.value(info.end - 1) + 1 : layout.location;
        layout.length = end - layout.location;
        layout.isFirstInList = !seenContainers.contains(info.containerID);
        seenContainers.insert(info.containerID);
        result.append(layout);
    }
    // Later items first, so that what is inserted never moves a position still to be processed;
    // at the same place the deeper item goes first and the outer marker ends up in front of it.
    std::stable_sort(result.begin(), result.end(), [](const ListItemLayout& a, const ListItemLayout& b) {
        if (a.location != b.location)
            return a.location > b.location;
        return a.info.depth > b.info.depth;
    });
    return result;
}

void ListLayouter::apply(AttributedText& text, const QList<ListItemInfo>& items, const QList<qsizetype>& positionMap,
    const QFont& baseFont, const QColor& labelColor)
{
    QList<ListItemLayout> pending = layouts(items, positionMap);
    QList<qsizetype> ends;
    for (const ListItemLayout& layout : pending)
        ends.append(layout.location + layout.length);

    TextAttributes attributes;
    attributes.font = baseFont;
    attributes.foreground = labelColor;

    // An insertion inside an item not yet processed moves that item's end; a line break put after
    // an inner item's end also belongs to the enclosing item that ends at the same place.
    auto insert = [&](qsizetype index, qsizetype position, const QString& piece, bool afterEnd) {
        text.insert(position, piece, attributes);
        for (qsizetype other = index; other < pending.size(); ++other) {
            if (position < ends[other] || (afterEnd && position == ends[other]))
                ends[other] += piece.size();
        }
    };

    for (qsizetype i = 0; i < pending.size(); ++i) {
        const ListItemLayout& layout = pending.at(i);
        qsizetype start = layout.location;
        if (layout.isFirstInList && start > 0 && text.text().at(start - 1) != lineFeed) {
            insert(i, start, QString(lineFeed), false);
            ++start;
        }
        insert(i, start, marker(layout.info), false);
        const qsizetype end = ends[i];
        if (end < text.size() && text.text().at(end) != lineFeed && end > 0 && text.text().at(end - 1) != lineFeed)
            insert(i, end, QString(lineFeed), true);
    }
}
