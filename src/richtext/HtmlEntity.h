// Decodes HTML character references ("&amp;", "&eacute;", "&#35;", "&#x1F600;") with the full table of
// named references. Pure text work: nothing is parsed as markup and nothing is ever loaded.
#pragma once

#include <QString>

class HtmlEntity
{
public:
    // One reference as markdown reports it: the decoded text, or the reference itself when it names
    // nothing.
    static QString decode(const QString& entity);

    // Every reference in `text` decoded; anything that is not a complete reference stays as written.
    static QString decodeAll(const QString& text);
};
