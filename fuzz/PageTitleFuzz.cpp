// The page-title path on its own: a fetched page body (cut or whole, UTF-8 or Latin-1) through
// PageBody::decode, the title tag, cleanTitle and decodeEntities. The selector picks whether the
// download was cut and whether the bytes are a whole page or only the title's text.
#include "FuzzSupport.h"

#include "richtext/HtmlEntity.h"
#include "richtext/LinkPageParser.h"
#include "richtext/LinkTextCleaning.h"
#include "richtext/PageBody.h"
#include "richtext/UserCharacters.h"

namespace {
// Every reference decodes to at most two characters and is at least three long ("&x;"), so decoding
// never lengthens the text.
void requireNotLonger(const QString& decoded, const QString& raw)
{
    fuzzRequire(decoded.size() <= raw.size(), "decoding never lengthens the text", raw);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    const bool wasCut = (input.selector & 0x01) != 0;
    const QString text = PageBody::decode(input.rest.left(PageBody::maxBytes), wasCut);

    if (input.selector & 0x02) {
        // The title's text alone.
        const QString decoded = HtmlEntity::decodeAll(text);
        requireNotLonger(decoded, text);
        if (!text.contains(QLatin1Char('&')))
            fuzzRequire(decoded == text, "text without '&' is left as it is", text);
        // What an escaper writes, the decoder reads back exactly.
        // A title reads a non-breaking space as a space, written or escaped.
        QString plain = text;
        plain.replace(QChar::Nbsp, QLatin1Char(' '));
        fuzzRequire(decodeEntities(text.toHtmlEscaped()) == plain, "escaped text decodes to itself", text);
        requireNotLonger(decodeEntities(text), text);
        return 0;
    }

    const std::optional<LinkMetadata> page
        = LinkPageParser::parsePage(text, QUrl(QStringLiteral("https://news.example.org/post")));
    // cleanTitle cuts to 120 characters, and decoding after it only ever joins or drops characters.
    if (page)
        fuzzRequire(userCharacterCount(page->title) <= 120, "a title is at most 120 characters", page->title);
    return 0;
}
