#include "richtext/ShapingNeeds.h"

#include <QChar>

namespace {

bool needsShaping(char32_t c)
{
    if (c < 0x0300)
        return false;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        break;
    }
    switch (QChar::script(c)) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
        break;
    default:
        return true;
    }
    return c == 0x200C || c == 0x200D // zero-width non-joiner and joiner
        || (c >= 0xFE00 && c <= 0xFE0F) // variation selectors
        || (c >= 0xE0100 && c <= 0xE01EF) // variation selectors supplement
        || (c >= 0x1F1E6 && c <= 0x1F1FF) // regional indicators (flags)
        || (c >= 0x1F3FB && c <= 0x1F3FF) // skin-tone modifiers
        || (c >= 0xE0000 && c <= 0xE007F); // tags (subdivision flags)
}

} // namespace

bool ShapingNeeds::needsShaping(const QString& text)
{
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        char32_t c = chars[i];
        if (c < 0x0300)
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < length && QChar::isLowSurrogate(chars[i + 1])) {
            c = QChar::surrogateToUcs4(char16_t(c), chars[i + 1]);
            ++i;
        }
        if (::needsShaping(c))
            return true;
    }
    return false;
}
