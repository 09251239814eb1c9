// Whether a text holds anything that only a shaper draws right in scripts Qt does not shape on its
// own: combining marks, joiners, variation selectors, regional-indicator flags, skin-tone modifiers
// and tag sequences. Text without them can skip shaping (QFont::PreferNoShaping) and lose only
// optional ligatures; scripts that always need shaping (Arabic, Devanagari, …) are shaped by Qt
// whatever the font asks.
#pragma once

#include <QString>

namespace ShapingNeeds {
bool needsShaping(const QString& text);
}
