// The text an item gets when another item is merged into it.
#pragma once

#include <QString>

// Longest item text, counted in characters as people see them (a flag or an accented letter is one).
inline constexpr qsizetype maxItemCharacters = 300;

// The destination's text followed by the trimmed source text, with a blank line between them unless
// the destination already ends with one; a blank source changes nothing, an empty destination takes
// the trimmed source. The result is cut to maxItemCharacters.
QString mergedItemText(const QString& destination, const QString& source);

// The first count characters (grapheme clusters) of the text, never splitting one.
QString itemTextPrefix(const QString& text, qsizetype count);
