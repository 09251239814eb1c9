#include "richtext/EmojiProperties.h"

#include "richtext/UserCharacters.h"

#include <QList>

#include <unicode/uchar.h>

bool isEmojiCharacter(QStringView character)
{
    for (const uint scalar : character.toUcs4()) {
        const auto c = static_cast<UChar32>(scalar);
        if (u_hasBinaryProperty(c, UCHAR_EMOJI_PRESENTATION))
            return true;
        if (c > 0x7F && u_hasBinaryProperty(c, UCHAR_EMOJI))
            return true;
    }
    return false;
}

bool startsWithEmoji(QStringView text)
{
    return isEmojiCharacter(userCharacterAt(text, 0));
}
