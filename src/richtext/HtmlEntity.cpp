#include "richtext/HtmlEntity.h"

#include "richtext/HtmlEntityTable.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

// The longest name in the table is 31 characters; a longer run cannot be one.
constexpr qsizetype maxNameLength = 32;
// "&#x10FFFF;" and "&#1114111;" are the longest useful numeric forms; leading zeros may pad them.
constexpr qsizetype maxNumberLength = 16;

std::string_view entryName(const HtmlEntityTable::Entry& entry)
{
    return { HtmlEntityTable::names + entry.nameOffset, entry.nameLength };
}

std::optional<QString> namedReference(QStringView name)
{
    if (name.isEmpty() || name.size() > maxNameLength)
        return std::nullopt;
    std::string key;
    for (const QChar c : name) {
        if (c.unicode() > 0x7F || !c.isLetterOrNumber())
            return std::nullopt;
        key.push_back(static_cast<char>(c.unicode()));
    }
    const auto* begin = HtmlEntityTable::entries;
    const auto* end = begin + HtmlEntityTable::entryCount;
    const auto* found = std::lower_bound(begin, end, std::string_view(key),
        [](const HtmlEntityTable::Entry& entry, std::string_view wanted) { return entryName(entry) < wanted; });
    if (found == end || entryName(*found) != key)
        return std::nullopt;
    char32_t codes[2] = { found->first, found->second };
    return QString::fromUcs4(codes, found->second ? 2 : 1);
}

std::optional<QString> numericReference(QStringView body)
{
    const bool hex = body.size() > 1 && (body[1] == QLatin1Char('x') || body[1] == QLatin1Char('X'));
    const QStringView digits = body.mid(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > maxNumberLength)
        return std::nullopt;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, hex ? 16 : 10);
    // toULongLong accepts a sign and spaces; a reference has digits only.
    if (!ok || !std::all_of(digits.begin(), digits.end(), [hex](QChar c) {
            return c.isDigit() || (hex && QStringLiteral("abcdefABCDEF").contains(c));
        }))
        return std::nullopt;
    // NUL, surrogates and values past Unicode become the replacement character, as browsers do.
    const char32_t code = (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        ? char32_t(0xFFFD)
        : static_cast<char32_t>(value);
    return QString::fromUcs4(&code, 1);
}

// The decoded text of the reference body between '&' and ';'.
std::optional<QString> decodeBody(QStringView body)
{
    if (body.startsWith(QLatin1Char('#')))
        return numericReference(body);
    return namedReference(body);
}

} // namespace

QString HtmlEntity::decode(const QString& entity)
{
    if (entity.size() < 3 || !entity.startsWith(QLatin1Char('&')) || !entity.endsWith(QLatin1Char(';')))
        return entity;
    return decodeBody(QStringView(entity).mid(1, entity.size() - 2)).value_or(entity);
}

QString HtmlEntity::decodeAll(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype ampersand = text.indexOf(QLatin1Char('&'), position);
        if (ampersand < 0)
            break;
        result += QStringView(text).mid(position, ampersand - position);
        const qsizetype limit = std::min(text.size(), ampersand + 2 + maxNameLength);
        qsizetype semicolon = -1;
        for (qsizetype i = ampersand + 1; i < limit; ++i) {
            if (text[i] == QLatin1Char(';')) {
                semicolon = i;
                break;
            }
            if (text[i] == QLatin1Char('&'))
                break;
        }
        const std::optional<QString> decoded = semicolon > ampersand + 1
            ? decodeBody(QStringView(text).mid(ampersand + 1, semicolon - ampersand - 1))
            : std::nullopt;
        if (decoded) {
            result += *decoded;
            position = semicolon + 1;
        } else {
            result += QLatin1Char('&');
            position = ampersand + 1;
        }
    }
    result += QStringView(text).mid(position);
    return result;
}
