#include "richtext/MarkdownStyler.h"

void MarkdownStyler::apply(AttributedText& text, const QFont& baseFont, const RichTextPalette& palette)
{
    text.modify(0, text.size(), [&](TextAttributes& attributes) {
        if (!attributes.font)
            attributes.font = baseFont;
        if (!attributes.foreground)
            attributes.foreground = palette.labelColor;
        if (attributes.inlineIntent.testFlag(InlineIntent::Code))
            attributes.foreground = palette.codeAccentColor;
        // Bold keeps the full-contrast label colour; everything else reads in the softer body colour.
        const bool keepsColour = attributes.inlineIntent.testAnyFlags(InlineIntent::StronglyEmphasized | InlineIntent::Code);
        if (!keepsColour && *attributes.foreground == palette.labelColor)
            attributes.foreground = palette.bodyTextColor;
    });
}
