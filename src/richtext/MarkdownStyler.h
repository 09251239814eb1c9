// The styling passes after list layout: default font and colour, the inline-code colour, and the
// softer body colour for everything that is neither bold nor code.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/RichTextPalette.h"

#include <QFont>

class MarkdownStyler
{
public:
    static void apply(AttributedText& text, const QFont& baseFont, const RichTextPalette& palette);
};
