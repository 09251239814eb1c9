// Makes every single line break of an item a visible hard break, and keeps blank lines as paragraph
// breaks, before the text is parsed as markdown.
#pragma once

#include <QString>

class LineBreakNormalizer
{
public:
    static QString normalize(const QString& text);
};
