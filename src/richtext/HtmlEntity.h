// Decodes one HTML entity as markdown reports it ("&amp;", "&#35;", "&#x1F600;").
#pragma once

#include <QString>

class HtmlEntity
{
public:
    // The decoded text, or the entity itself when it names nothing we know.
    static QString decode(const QString& entity);
};
