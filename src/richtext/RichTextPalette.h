// The colours of rendered item text, for one appearance (light or dark).
#pragma once

#include <QColor>

struct RichTextPalette
{
    QColor labelColor;      // the full-contrast label colour; bold text keeps it
    QColor bodyTextColor;   // ordinary body text and badge text
    QColor highlightColor;  // date badge background
    QColor mentionColor;
    QColor linkColor;
    QColor codeAccentColor; // inline code

    static RichTextPalette light();
    static RichTextPalette dark();
    static RichTextPalette forAppearance(bool dark) { return dark ? RichTextPalette::dark() : light(); }

    // `base` moved `fraction` of the way towards `target`; an invalid colour falls back to `base`.
    static QColor blend(const QColor& base, const QColor& target, double fraction);
};
