#include "richtext/ItemTextRenderer.h"

#include "richtext/MentionDetector.h"
#include "richtext/RichTextDocumentBuilder.h"
#include "richtext/TemporalFormatter.h"

AttributedText ItemTextRenderer::renderText(const QString& markdown, const QList<BoardUser>& mentionCandidates,
    const ItemTextStyle& style, QList<MentionRange>* mentionRanges, const MarkdownPipeline::Parser& parser)
{
    AttributedText text = MarkdownPipeline::render(markdown, style.baseFont, style.palette, parser);
    const TemporalFormatter formatter(style.baseFont, style.palette.highlightColor, style.palette.bodyTextColor,
        style.palette.codeAccentColor, style.palette.linkColor, style.context);
    formatter.applyBadges(text);
    const QList<MentionRange> mentions = MentionDetector::apply(text, mentionCandidates, style.palette.mentionColor);
    if (mentionRanges)
        *mentionRanges = mentions;
    return text;
}

RenderedItemText ItemTextRenderer::render(const QString& markdown, const QList<BoardUser>& mentionCandidates,
    const ItemTextStyle& style, const MarkdownPipeline::Parser& parser)
{
    RenderedItemText rendered;
    rendered.text = renderText(markdown, mentionCandidates, style, &rendered.mentionRanges, parser);
    rendered.document = RichTextDocumentBuilder::build(rendered.text, style);
    return rendered;
}
