// Counting and cutting text by user-perceived characters (grapheme clusters), so an emoji with a
// skin tone or a flag counts once, as the person typing it sees it.
#pragma once

#include <QString>
#include <QStringView>

qsizetype userCharacterCount(QStringView text);

// The first `count` user-perceived characters of `text`.
QString userCharacterPrefix(const QString& text, qsizetype count);

// The user-perceived character that starts at `position` (a UTF-16 offset), or an empty view.
QStringView userCharacterAt(QStringView text, qsizetype position);
