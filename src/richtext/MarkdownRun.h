// What the markdown parser hands to the pipeline: runs of text with the blocks around them and their
// inline marks. The parsed text is the concatenation of the runs' texts.
#pragma once

#include <QFlags>
#include <QList>
#include <QString>

enum class BlockKind {
    Paragraph,
    Header,
    OrderedList,
    UnorderedList,
    ListItem,
    BlockQuote,
    CodeBlock,
    HtmlBlock,
    Table,
    TableRow,
    TableCell,
    ThematicBreak,
};

struct BlockComponent
{
    BlockKind kind = BlockKind::Paragraph;
    int identity = 0; // unique within one parsed document
    int ordinal = 0;  // list items only: the number the item shows (1-based for unordered lists)

    friend bool operator==(const BlockComponent&, const BlockComponent&) = default;
};

// Bit values follow the parser's inline presentation intents, so they can be compared as numbers.
enum class InlineIntent : unsigned {
    Emphasized = 1,
    StronglyEmphasized = 2,
    Code = 4,
    Strikethrough = 32,
};
Q_DECLARE_FLAGS(InlineIntents, InlineIntent)
Q_DECLARE_OPERATORS_FOR_FLAGS(InlineIntents)

struct MarkdownRun
{
    QString text;
    QList<BlockComponent> blocks; // innermost first
    InlineIntents inlineIntent;
    QString link; // empty when the run is not inside a link

    friend bool operator==(const MarkdownRun&, const MarkdownRun&) = default;
};
