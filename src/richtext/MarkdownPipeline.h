// Item markdown to attributed text: normalise line breaks, parse, flatten, lay out lists, style.
// Date badges and mentions are applied afterwards by their own passes.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/MarkdownRun.h"
#include "richtext/RichTextPalette.h"

#include <QFont>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class MarkdownPipeline
{
public:
    using Parser = std::function<std::optional<QList<MarkdownRun>>(const QString&)>;

    // With a parser that fails, the normalised text is shown as one plain run.
    static AttributedText render(const QString& markdown, const QFont& baseFont, const RichTextPalette& palette,
        const Parser& parser = {});
};
