#include "richtext/ColonEmojiTrigger.h"

#include "richtext/EmojiProperties.h"
#include "richtext/UserCharacters.h"

namespace ColonEmojiTrigger {

std::optional<qsizetype> triggerLocation(QStringView text, qsizetype caret)
{
    if (caret < 1 || caret > text.size() || text[caret - 1] != QLatin1Char(':'))
        return std::nullopt;
    if (caret >= 2 && !text[caret - 2].isSpace())
        return std::nullopt;
    if (caret < text.size() && !text[caret].isSpace())
        return std::nullopt;
    return caret - 1;
}

std::optional<Replacement> replaceColon(const QString& text, qsizetype caret, qsizetype colon)
{
    if (colon < 0 || colon >= text.size() || text[colon] != QLatin1Char(':'))
        return std::nullopt;
    if (!isEmojiCharacter(userCharacterAt(text, colon + 1)))
        return std::nullopt;
    QString without = text;
    without.remove(colon, 1);
    return Replacement { without, std::max(caret - 1, colon) };
}

} // namespace ColonEmojiTrigger
