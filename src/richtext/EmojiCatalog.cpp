#include "richtext/EmojiCatalog.h"

#include <QStringList>

#include <unicode/uchar.h>

#include <algorithm>
#include <array>

namespace {

// Blocks in the order people look for them: faces, people and hands, then nature, food, travel,
// objects and symbols.
int groupOf(char32_t c)
{
    if (c >= 0x1F600 && c <= 0x1F64F)
        return 0;
    if (c >= 0x1F910 && c <= 0x1F9FF)
        return 1;
    if (c >= 0x1F440 && c <= 0x1F4FF)
        return 2;
    if (c >= 0x1F300 && c <= 0x1F43F)
        return 3;
    if (c >= 0x1F680 && c <= 0x1F6FF)
        return 4;
    return 5;
}

QList<EmojiEntry> loadCatalog()
{
    struct Found
    {
        char32_t scalar;
        EmojiEntry entry;
    };
    std::vector<Found> found;
    for (UChar32 c = 0x2000; c <= 0x1FAFF; ++c) {
        if (!u_hasBinaryProperty(c, UCHAR_EMOJI_PRESENTATION) || u_hasBinaryProperty(c, UCHAR_EMOJI_COMPONENT)
            || u_hasBinaryProperty(c, UCHAR_EMOJI_MODIFIER) || u_hasBinaryProperty(c, UCHAR_REGIONAL_INDICATOR))
            continue;
        std::array<char, 128> name {};
        UErrorCode status = U_ZERO_ERROR;
        u_charName(c, U_UNICODE_CHAR_NAME, name.data(), static_cast<int32_t>(name.size()), &status);
        if (U_FAILURE(status))
            continue;
        const char32_t scalar = static_cast<char32_t>(c);
        found.push_back({ scalar, EmojiEntry { QString::fromUcs4(&scalar, 1), QString::fromLatin1(name.data()).toLower() } });
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return groupOf(a.scalar) < groupOf(b.scalar); });
    QList<EmojiEntry> entries;
    entries.reserve(static_cast<qsizetype>(found.size()));
    for (const Found& f : found)
        entries.append(f.entry);
    return entries;
}

} // namespace

namespace EmojiCatalog {

const QList<EmojiEntry>& all()
{
    static const QList<EmojiEntry> catalog = loadCatalog();
    return catalog;
}

QList<EmojiEntry> search(const QString& query)
{
    const QStringList words = query.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return all();
    QList<EmojiEntry> matching;
    for (const EmojiEntry& entry : all()) {
        if (std::all_of(words.begin(), words.end(), [&entry](const QString& word) { return entry.name.contains(word); }))
            matching.append(entry);
    }
    return matching;
}

} // namespace EmojiCatalog
