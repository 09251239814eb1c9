// The whole rendering of one item text: markdown, then date badges, then mentions, then the
// document a text view shows.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/ItemTextStyle.h"
#include "richtext/MarkdownPipeline.h"
#include "richtext/MentionRange.h"

#include "domain/BoardUser.h"

#include <QList>
#include <QString>
#include <QTextDocument>

#include <memory>

struct RenderedItemText
{
    AttributedText text;
    QList<MentionRange> mentionRanges; // in text order
    std::unique_ptr<QTextDocument> document;
};

class ItemTextRenderer
{
public:
    static RenderedItemText render(const QString& markdown, const QList<BoardUser>& mentionCandidates,
        const ItemTextStyle& style, const MarkdownPipeline::Parser& parser = {});
    // The same without building the document.
    static AttributedText renderText(const QString& markdown, const QList<BoardUser>& mentionCandidates,
        const ItemTextStyle& style, QList<MentionRange>* mentionRanges, const MarkdownPipeline::Parser& parser = {});
};
