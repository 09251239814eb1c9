// Joins parsed runs into one attributed string, putting line breaks between paragraphs, and collects
// the list items for the list layout that follows.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/ListItemLayout.h"
#include "richtext/MarkdownRun.h"

#include <QColor>
#include <QFont>
#include <QList>

struct FlattenedMarkdown
{
    AttributedText text;
    QList<qsizetype> positionMap; // parsed-text index -> flattened index; one extra entry for the end
    QList<ListItemInfo> listItems; // in document order
};

class MarkdownFlattener
{
public:
    static FlattenedMarkdown flatten(const QList<MarkdownRun>& runs, const QFont& baseFont, const QColor& labelColor);

private:
    static void collectListItems(const MarkdownRun& run, qsizetype start, QList<ListItemInfo>& items);
};
