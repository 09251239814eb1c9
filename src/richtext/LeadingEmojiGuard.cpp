#include "richtext/LeadingEmojiGuard.h"

#include "richtext/EmojiProperties.h"

QString editorTextFor(const QString& text)
{
    return startsWithEmoji(text) ? zeroWidthSpace + text : text;
}

QString storedTextFrom(const QString& editorText)
{
    QString text = editorText;
    return text.remove(zeroWidthSpace);
}
