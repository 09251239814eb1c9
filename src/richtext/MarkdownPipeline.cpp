#include "richtext/MarkdownPipeline.h"

#include "richtext/LineBreakNormalizer.h"
#include "richtext/ListLayouter.h"
#include "richtext/MarkdownFlattener.h"
#include "richtext/MarkdownRunBuilder.h"
#include "richtext/MarkdownStyler.h"

AttributedText MarkdownPipeline::render(const QString& markdown, const QFont& baseFont, const RichTextPalette& palette,
    const Parser& parser)
{
    const QString normalized = LineBreakNormalizer::normalize(markdown);
    const std::optional<QList<MarkdownRun>> runs = parser ? parser(normalized) : MarkdownRunBuilder::parse(normalized);

    AttributedText text;
    if (!runs) {
        text.append(normalized, TextAttributes {});
    } else {
        FlattenedMarkdown flattened = MarkdownFlattener::flatten(*runs, baseFont, palette.labelColor);
        ListLayouter::apply(flattened.text, flattened.listItems, flattened.positionMap, baseFont, palette.labelColor);
        text = std::move(flattened.text);
    }
    MarkdownStyler::apply(text, baseFont, palette);
    return text;
}
