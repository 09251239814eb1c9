#include "richtext/CharacterCounter.h"

#include "richtext/UserCharacters.h"

#include <algorithm>

CharacterCounter CharacterCounter::forText(const QString& text, qsizetype maxCharacters)
{
    const qsizetype count = userCharacterCount(text);
    CharacterCounter counter;
    counter.remaining = maxCharacters - count;
    if (counter.remaining < 0)
        counter.tone = Tone::overLimit;
    else if (static_cast<double>(count) / static_cast<double>(std::max<qsizetype>(maxCharacters, 1)) >= 0.85)
        counter.tone = Tone::warning;
    return counter;
}

QString CharacterCounter::text() const
{
    return QStringLiteral("%1 characters remaining").arg(remaining);
}
