// Turns rendered attributed text into a QTextDocument: the marks our text view does not interpret
// (emphasis, strong, strikethrough) become italic, bold and struck-out fonts, links get the link
// colour and an underline, badges become inline objects.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/ItemTextStyle.h"

#include <QTextCharFormat>
#include <QTextDocument>

#include <memory>

// Full shaping, or none for text that ShapingNeeds finds draws the same without it.
enum class Shaping { full, onlyWhereNeeded };

class RichTextDocumentBuilder
{
public:
    // Skips shaping only for text that draws the same without it (see ShapingNeeds).
    static std::unique_ptr<QTextDocument> build(const AttributedText& text, const ItemTextStyle& style);
    static QTextCharFormat charFormat(const TextAttributes& attributes, const ItemTextStyle& style,
        Shaping shaping = Shaping::full);
};
