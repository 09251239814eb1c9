#include "richtext/HtmlScanner.h"

namespace {

// A meta tag's content longer than this is no title or description; stopping there keeps a page
// full of unclosed quotes from being read once per tag.
constexpr qsizetype maxAttributeValueLength = 8192;

qsizetype find(QStringView html, QStringView needle, qsizetype from)
{
    return html.indexOf(needle, from, Qt::CaseInsensitive);
}

qsizetype skipSpace(QStringView text, qsizetype at)
{
    while (at < text.size() && text[at].isSpace())
        ++at;
    return at;
}

// At `at`: `name \s* = \s*` and a quote; returns the position after the quote and the quote itself.
std::optional<std::pair<qsizetype, QChar>> attributeOpening(QStringView tag, qsizetype at, QStringView name,
                                                             bool anyQuote)
{
    if (!tag.mid(at).startsWith(name, Qt::CaseInsensitive))
        return std::nullopt;
    qsizetype pos = skipSpace(tag, at + name.size());
    if (pos >= tag.size() || tag[pos] != QLatin1Char('='))
        return std::nullopt;
    pos = skipSpace(tag, pos + 1);
    if (pos >= tag.size())
        return std::nullopt;
    const QChar quote = tag[pos];
    if (quote != QLatin1Char('"') && !(anyQuote && quote == QLatin1Char('\'')))
        return std::nullopt;
    return std::pair { pos + 1, quote };
}

} // namespace

namespace HtmlScanner {

std::optional<QString> titleText(QStringView html)
{
    const qsizetype open = find(html, u"<title", 0);
    if (open < 0)
        return std::nullopt;
    const qsizetype openEnd = html.indexOf(QLatin1Char('>'), open + 6);
    if (openEnd < 0)
        return std::nullopt;
    // A later "<title" would close at the same or a later '>', so the first one decides.
    const qsizetype close = find(html, u"</title>", openEnd + 1);
    if (close < 0)
        return std::nullopt;
    return html.mid(openEnd + 1, close - openEnd - 1).toString();
}

QStringList jsonLdBlocks(QStringView html)
{
    QStringList blocks;
    qsizetype at = 0;
    while ((at = find(html, u"<script", at)) >= 0) {
        const qsizetype tagEnd = html.indexOf(QLatin1Char('>'), at + 7);
        if (tagEnd < 0)
            break;
        const QStringView tag = html.mid(at + 7, tagEnd - at - 7);
        bool isJsonLd = false;
        for (qsizetype t = find(tag, u"type", 0); t >= 0 && !isJsonLd; t = find(tag, u"type", t + 1)) {
            const auto opening = attributeOpening(tag, t, u"type", false);
            isJsonLd = opening && tag.mid(opening->first).startsWith(u"application/ld+json\"", Qt::CaseInsensitive);
        }
        if (!isJsonLd) {
            at = tagEnd + 1;
            continue;
        }
        const qsizetype close = find(html, u"</script>", tagEnd + 1);
        if (close < 0)
            break;
        blocks.append(html.mid(tagEnd + 1, close - tagEnd - 1).toString());
        at = close + 9;
    }
    return blocks;
}

std::optional<QString> metaContent(QStringView html, QStringView attribute, QStringView value)
{
    qsizetype at = 0;
    while ((at = find(html, u"<meta", at)) >= 0) {
        const qsizetype tagEnd = html.indexOf(QLatin1Char('>'), at + 5);
        if (tagEnd < 0)
            break;
        const QStringView tag = html.mid(at + 5, tagEnd - at - 5);
        // The attribute with the wanted value, then "content" after it, both inside this tag.
        qsizetype afterAttribute = -1;
        for (qsizetype a = find(tag, attribute, 0); a >= 0 && afterAttribute < 0; a = find(tag, attribute, a + 1)) {
            const auto opening = attributeOpening(tag, a, attribute, true);
            if (!opening)
                continue;
            const QStringView rest = tag.mid(opening->first);
            if (rest.startsWith(value, Qt::CaseInsensitive) && rest.size() > value.size()
                && rest[value.size()] == opening->second)
                afterAttribute = opening->first + value.size() + 1;
        }
        if (afterAttribute >= 0) {
            for (qsizetype c = find(tag, u"content", afterAttribute); c >= 0; c = find(tag, u"content", c + 1)) {
                const auto opening = attributeOpening(tag, c, u"content", true);
                if (!opening)
                    continue;
                // The value may hold a '>' ("Tom > Jerry"), so it is read from the page, not the tag.
                const qsizetype valueStart = at + 5 + opening->first;
                const QStringView window = html.mid(valueStart, maxAttributeValueLength);
                const qsizetype valueEnd = window.indexOf(opening->second);
                if (valueEnd < 0 || html.indexOf(QLatin1Char('>'), valueStart + valueEnd) < 0)
                    break;
                return window.left(valueEnd).toString();
            }
        }
        at = tagEnd + 1;
    }
    return std::nullopt;
}

} // namespace HtmlScanner
