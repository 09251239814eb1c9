// Turns rendered attributed text into a QTextDocument: the marks our text view does not interpret
// (emphasis, strong, strikethrough) become italic, bold and struck-out fonts, links get the link
// colour and an underline, badges become inline objects.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/ItemTextStyle.h"

#include <QTextCharFormat>
#include <QTextDocument>

#include <memory>

class RichTextDocumentBuilder
{
public:
    static std::unique_ptr<QTextDocument> build(const AttributedText& text, const ItemTextStyle& style);
    static QTextCharFormat charFormat(const TextAttributes& attributes, const ItemTextStyle& style);
};
