// Whether a text must go through the shaper to be drawn right. Only text whose every character
// belongs to a script that draws one glyph per character in logical order (Latin, Greek, Cyrillic
// and the common punctuation, digits and symbols) may skip it (QFont::PreferNoShaping), and then
// only without combining marks, joiners, variation selectors, regional-indicator flags, skin-tone
// modifiers or tag sequences. Everything else is shaped: Qt draws Arabic letters unjoined and
// Indic and Thai clusters unordered when asked not to shape.
#pragma once

#include <QString>

namespace ShapingNeeds {
bool needsShaping(const QString& text);
}
