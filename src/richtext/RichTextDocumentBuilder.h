// Turns rendered attributed text into a QTextDocument: the marks our text view does not interpret
// (emphasis, strong, strikethrough) become italic, bold and struck-out fonts, links get the link
// colour and an underline, badges become inline objects.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/ItemTextStyle.h"

#include <QTextCharFormat>
#include <QTextDocument>

#include <memory>

// Full shaping, or shaping only for the scripts that cannot do without it (see ShapingNeeds).
enum class Shaping { full, onlyWhereNeeded };

class RichTextDocumentBuilder
{
public:
    // Shapes the text fully only when it holds marks, joiners or emoji sequences.
    static std::unique_ptr<QTextDocument> build(const AttributedText& text, const ItemTextStyle& style);
    static QTextCharFormat charFormat(const TextAttributes& attributes, const ItemTextStyle& style,
        Shaping shaping = Shaping::full);
};
