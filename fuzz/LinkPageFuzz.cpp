// Fetched pages through the link metadata parsers, as the fetch hands them over: at most 128 KiB,
// decoded as UTF-8 or Latin-1, possibly cut inside a character. The selector picks the page's
// address (any site, or the film site with its structured data) and whether the download was cut;
// with the top bit set the bytes are an address instead, for the label built from the address alone.
#include "FuzzSupport.h"

#include "richtext/LinkPageParser.h"
#include "richtext/PageBody.h"

namespace {
void requireRatingText(const std::optional<LinkMetadata>& metadata, const QString& input)
{
    if (!metadata)
        return;
    if (const std::optional<QString> rating = metadata->ratingText())
        fuzzRequire(!rating->isEmpty(), "a rating reads as text", input);
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    if (input.selector & 0x80) {
        const QString address = QString::fromUtf8(input.rest);
        const QUrl url(address);
        const std::optional<LinkMetadata> fallback = LinkPageParser::fallbackMetadata(url);
        fuzzRequire(fallback.has_value() == !url.host().isEmpty(), "an address with a host, and only such, gets a label",
            address);
        return 0;
    }

    static const QUrl pages[] = { QUrl(QStringLiteral("https://news.example.org/2024/my-first-post")),
        QUrl(QStringLiteral("https://www.imdb.com/title/tt0111161/")), QUrl(QStringLiteral("https://imdb.com/")),
        QUrl(QStringLiteral("http://192.168.1.10:8080/a%20b?c=d#e")) };
    const QUrl& url = pages[input.selector % std::size(pages)];
    const bool wasCut = (input.selector & 0x04) != 0;
    const QString html = PageBody::decode(input.rest.left(PageBody::maxBytes), wasCut);
    const std::optional<LinkMetadata> page = LinkPageParser::parsePage(html, url);
    requireRatingText(page, html);
    // Any site's record comes from its title tag (an empty one gives an empty title).
    if (page && page->source == LinkMetadata::Source::generic)
        fuzzRequire(html.contains(QLatin1String("<title"), Qt::CaseInsensitive), "a record needs a title tag", html);
    if (LinkPageParser::isMovieDatabaseHost(url))
        requireRatingText(LinkPageParser::parseMovieDatabasePage(html, url), html);
    return 0;
}
