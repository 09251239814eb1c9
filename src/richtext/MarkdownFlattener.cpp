#include "richtext/MarkdownFlattener.h"

#include <QSet>

#include <algorithm>

namespace {

bool isList(BlockKind kind)
{
    return kind == BlockKind::OrderedList || kind == BlockKind::UnorderedList;
}

// Blocks that start a new line of their own. Headers, code blocks and thematic breaks are kept
// apart from their neighbours the same way paragraphs are.
bool isParagraphLike(BlockKind kind)
{
    return kind == BlockKind::Paragraph || kind == BlockKind::Header || kind == BlockKind::CodeBlock
        || kind == BlockKind::HtmlBlock || kind == BlockKind::TableRow || kind == BlockKind::ThematicBreak;
}

// The identity of the innermost list item around the run, or 0 outside lists.
int innermostListItem(const MarkdownRun& run)
{
    for (const BlockComponent& component : run.blocks) {
        if (component.kind == BlockKind::ListItem)
            return component.identity;
    }
    return 0;
}

} // namespace

FlattenedMarkdown MarkdownFlattener::flatten(const QList<MarkdownRun>& runs, const QFont& baseFont, const QColor& labelColor)
{
    FlattenedMarkdown result;
    std::optional<int> previousParagraph;
    QSet<int> previousLists;
    int previousListItem = 0;
    qsizetype parsedOffset = 0;

    TextAttributes separatorAttributes;
    separatorAttributes.font = baseFont;
    separatorAttributes.foreground = labelColor;

    for (const MarkdownRun& run : runs) {
        std::optional<int> paragraph;
        QSet<int> lists;
        for (const BlockComponent& component : run.blocks) {
            if (!paragraph && isParagraphLike(component.kind))
                paragraph = component.identity;
            if (isList(component.kind))
                lists.insert(component.identity);
        }

        const int listItem = innermostListItem(run);
        if (paragraph && previousParagraph && *paragraph != *previousParagraph) {
            // Between items of one list the list layout puts the line breaks; the paragraphs of one
            // item still need theirs.
            if (!previousLists.intersects(lists)) {
                const QString separator = lists.isEmpty() ? QStringLiteral("\n\n") : QStringLiteral("\n");
                result.text.append(separator, separatorAttributes);
            } else if (listItem != 0 && listItem == previousListItem) {
                result.text.append(QStringLiteral("\n"), separatorAttributes);
            }
        }

        TextAttributes attributes;
        attributes.inlineIntent = run.inlineIntent;
        attributes.link = run.link;
        for (qsizetype i = 0; i < run.text.size(); ++i)
            result.positionMap.append(result.text.size() + i);
        result.text.append(run.text, attributes);
        collectListItems(run, parsedOffset, result.listItems);
        parsedOffset += run.text.size();

        if (paragraph) {
            previousParagraph = paragraph;
            previousLists = lists;
            previousListItem = listItem;
        }
    }
    result.positionMap.append(result.text.size());
    return result;
}

void MarkdownFlattener::collectListItems(const MarkdownRun& run, qsizetype start, QList<ListItemInfo>& items)
{
    const qsizetype end = start + run.text.size();
    // Outermost first, so that an item is recorded before the items nested in it.
    for (qsizetype i = run.blocks.size() - 1; i >= 0; --i) {
        const BlockComponent& component = run.blocks.at(i);
        if (component.kind != BlockKind::ListItem)
            continue;
        const auto existing = std::find_if(items.begin(), items.end(),
            [&component](const ListItemInfo& info) { return info.itemID == component.identity; });
        if (existing != items.end()) {
            existing->end = end;
            continue;
        }
        ListItemInfo info;
        info.start = start;
        info.end = end;
        info.ordinal = component.ordinal;
        info.itemID = component.identity;
        int depth = 0;
        for (qsizetype outer = i + 1; outer < run.blocks.size(); ++outer) {
            const BlockComponent& list = run.blocks.at(outer);
            if (!isList(list.kind))
                continue;
            if (depth == 0) {
                info.isOrdered = list.kind == BlockKind::OrderedList;
                info.containerID = list.identity;
            }
            ++depth;
        }
        info.depth = std::max(depth, 1);
        items.append(info);
    }
}
