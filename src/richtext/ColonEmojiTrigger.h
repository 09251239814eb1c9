// Typing ":" on its own (white space or nothing on both sides) opens the emoji palette; when the
// pick lands right after that colon, the colon goes, leaving only the emoji.
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace ColonEmojiTrigger {

// The colon's position when the caret at `caret` has just typed a lone ":".
std::optional<qsizetype> triggerLocation(QStringView text, qsizetype caret);

struct Replacement
{
    QString text;
    qsizetype caret = 0;
};

// The text without the colon at `colon` when an emoji now follows it; absent otherwise.
std::optional<Replacement> replaceColon(const QString& text, qsizetype caret, qsizetype colon);

} // namespace ColonEmojiTrigger
