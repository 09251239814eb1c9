// The character pairs the editor turns into typographic symbols as the user types: "->" → "→",
// "--" → "–", "(c)" → "©" and the rest of the table, applied in table order to every occurrence.
// Web addresses are left alone, since a URL with "--" or "..." must keep working, and "1/4" and "3/4"
// only change where they stand alone (never inside a date such as "11/4/2024").
#pragma once

#include <QString>

QString applyTypographicReplacements(const QString& text);

// The same while the caret is at `caret`: a "--" just before the caret is held back, because the
// next keystroke may still make it "---" (an em dash) or "-->" (a hyphen and an arrow), and so is a
// fraction that ends at the caret, since the next keystroke may make it a date.
QString applyTypographicReplacementsWhileTyping(const QString& text, qsizetype caret);
