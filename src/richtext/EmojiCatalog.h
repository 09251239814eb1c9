// The emoji the palette offers, read from the Unicode data that ICU carries: every character shown
// as an emoji by default, with its Unicode name for searching. Faces and people come first.
#pragma once

#include <QList>
#include <QString>

struct EmojiEntry
{
    QString emoji;
    QString name; // lower case, e.g. "grinning face"
};

namespace EmojiCatalog {

const QList<EmojiEntry>& all();

// Entries whose name contains every word of the query; all of them for an empty query.
QList<EmojiEntry> search(const QString& query);

} // namespace EmojiCatalog
