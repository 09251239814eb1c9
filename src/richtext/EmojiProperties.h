// Whether a user-perceived character is an emoji, by the Unicode emoji properties (through ICU).
#pragma once

#include <QStringView>

// True when some scalar of `character` has Emoji_Presentation, or a non-ASCII scalar has Emoji
// (so "☺" with its variation selector counts, while the digits and "#", which are Emoji, do not).
bool isEmojiCharacter(QStringView character);

bool startsWithEmoji(QStringView text);
