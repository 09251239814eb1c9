// Item text through the whole rendering: markdown, date badges, mentions and the text document.
// The first byte picks the locale the badges are read in; the rest is the item's markdown as UTF-8.
// Whatever the text, the attributes cover it exactly, badges and mentions point into it, and the
// document is built.
#include "FuzzSupport.h"

#include "richtext/ItemTextRenderer.h"

#include <QUuid>

namespace {
BoardUser member(const char* email, const char* displayName)
{
    BoardUser user;
    user.userId = QUuid::createUuidV5(QUuid(), QByteArray(email));
    user.email = QString::fromUtf8(email);
    user.displayName = QString::fromUtf8(displayName);
    return user;
}

const QList<BoardUser>& members()
{
    static const QList<BoardUser> list { member("alice@example.org", "Alice"), member("bob.smith@example.org", "Bob"),
        member("zoë@example.org", "Zoë"), member("a@example.org", "A") };
    return list;
}

ItemTextStyle styleFor(std::uint8_t selector)
{
    static const char* const locales[] = { "en_US", "de_DE", "ja_JP", "ar_EG", "fr_FR@calendar=buddhist", "he_IL" };
    static const char* const zones[] = { "UTC", "Europe/Berlin", "Asia/Tokyo", "America/St_Johns" };
    ItemTextStyle style;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    style.baseFont = font;
    style.palette = RichTextPalette::forAppearance((selector & 0x80) != 0);
    style.context = TemporalContext { QString::fromLatin1(locales[selector % std::size(locales)]),
        QString::fromLatin1(zones[(selector >> 3) % std::size(zones)]) };
    return style;
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
    const QString markdown = QString::fromUtf8(input.rest);
    const RenderedItemText rendered = ItemTextRenderer::render(markdown, members(), styleFor(input.selector));

    const AttributedText& text = rendered.text;
    qsizetype covered = 0;
    for (const AttributedText::Run& run : text.runs()) {
        fuzzRequire(run.start == covered && run.length > 0, "runs cover the text in order without gaps", markdown);
        covered += run.length;
    }
    fuzzRequire(covered == text.size(), "runs cover the whole text", markdown);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int attachment = text.attributesAt(i).attachment;
        fuzzRequire(attachment >= -1 && attachment < text.attachments().size(), "badges point at their cells", markdown);
    }
    qsizetype previousEnd = 0;
    for (const MentionRange& mention : rendered.mentionRanges) {
        fuzzRequire(mention.location >= previousEnd && mention.length > 1
                && mention.location + mention.length <= text.size(),
            "mentions lie inside the text, in order, without overlap", markdown);
        fuzzRequire(text.text().at(mention.location) == QLatin1Char('@'),
            "a mention starts with its at sign", markdown);
        previousEnd = mention.location + mention.length;
    }
    fuzzRequire(rendered.document != nullptr, "the document is built", markdown);
    return 0;
}
