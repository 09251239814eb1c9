#include "richtext/TypographicReplacements.h"

#include "richtext/WebAddressDetector.h"

#include <array>
#include <utility>

namespace {

// Order matters: "->" goes before "--", so "-->" reads as a hyphen and an arrow.
constexpr std::array<std::pair<const char16_t*, const char16_t*>, 15> replacements { {
    { u"->", u"→" },
    { u"<-", u"←" },
    { u"=>", u"⇒" },
    { u"<=", u"⇐" },
    { u"---", u"—" },
    { u"--", u"–" },
    { u"...", u"…" },
    { u"(c)", u"©" },
    { u"(r)", u"®" },
    { u"(tm)", u"™" },
    { u"1/4", u"¼" },
    { u"3/4", u"¾" },
    { u"+-", u"±" },
    { u"!=", u"≠" },
    { u">=", u"≥" },
} };

QString replacePlain(QString text)
{
    for (const auto& [from, to] : replacements)
        text.replace(QString::fromUtf16(from), QString::fromUtf16(to));
    return text;
}

} // namespace

QString applyTypographicReplacements(const QString& text)
{
    QString result;
    qsizetype done = 0;
    for (const DetectedAddress& address : addressRuns(text)) {
        result += replacePlain(text.mid(done, address.start - done)) + address.text;
        done = address.start + address.length;
    }
    return result + replacePlain(text.mid(done));
}

QString applyTypographicReplacementsWhileTyping(const QString& text, qsizetype caret)
{
    const bool endsInPair = caret >= 2 && caret <= text.size() && text.mid(caret - 2, 2) == QLatin1String("--");
    const bool isThirdHyphen = caret >= 3 && text[caret - 3] == QLatin1Char('-');
    if (endsInPair && !isThirdHyphen)
        return applyTypographicReplacements(text.left(caret - 2)) + QStringLiteral("--")
            + applyTypographicReplacements(text.mid(caret));
    return applyTypographicReplacements(text);
}
