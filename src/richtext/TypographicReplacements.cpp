#include "richtext/TypographicReplacements.h"

#include "richtext/WebAddressDetector.h"

#include <QRegularExpression>

#include <array>
#include <utility>

namespace {

// Order matters: "->" goes before "--", so "-->" reads as a hyphen and an arrow.
constexpr std::array<std::pair<const char16_t*, const char16_t*>, 13> replacements { {
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
    { u"+-", u"±" },
    { u"!=", u"≠" },
    { u">=", u"≥" },
} };

// "1/4" and "3/4" become ¼ and ¾ only where they stand alone: a digit or a slash on either side makes
// them part of a date, a number or a path ("11/4/2024", "1/4/25", "21/4"), which stays as written.
// `pendingEnd` is where the caret is while typing: a fraction that ends there may still grow into a
// date, so it waits for the next character.
QString replaceFractions(const QString& text, qsizetype pendingEnd)
{
    static const QRegularExpression fraction(QStringLiteral("(?<![\\p{Nd}/])([13])/4(?![\\p{Nd}/])"),
        QRegularExpression::UseUnicodePropertiesOption);
    QString result;
    qsizetype done = 0;
    QRegularExpressionMatchIterator matches = fraction.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (match.capturedEnd() == pendingEnd)
            continue;
        result += QStringView(text).mid(done, match.capturedStart() - done);
        result += match.captured(1) == QLatin1String("1") ? QStringLiteral("¼") : QStringLiteral("¾");
        done = match.capturedEnd();
    }
    result += QStringView(text).mid(done);
    return result;
}

QString replacePlain(QString text, qsizetype pendingEnd)
{
    text = replaceFractions(text, pendingEnd);
    for (const auto& [from, to] : replacements)
        text.replace(QString::fromUtf16(from), QString::fromUtf16(to));
    return text;
}

QString replaceOutsideAddresses(const QString& text, qsizetype pendingEnd)
{
    QString result;
    qsizetype done = 0;
    for (const DetectedAddress& address : addressRuns(text)) {
        result += replacePlain(text.mid(done, address.start - done), pendingEnd - done) + address.text;
        done = address.start + address.length;
    }
    return result + replacePlain(text.mid(done), pendingEnd - done);
}

} // namespace

QString applyTypographicReplacements(const QString& text)
{
    return replaceOutsideAddresses(text, -1);
}

QString applyTypographicReplacementsWhileTyping(const QString& text, qsizetype caret)
{
    const bool endsInPair = caret >= 2 && caret <= text.size() && text.mid(caret - 2, 2) == QLatin1String("--");
    const bool isThirdHyphen = caret >= 3 && text[caret - 3] == QLatin1Char('-');
    if (endsInPair && !isThirdHyphen)
        return applyTypographicReplacements(text.left(caret - 2)) + QStringLiteral("--")
            + applyTypographicReplacements(text.mid(caret));
    return replaceOutsideAddresses(text, caret);
}
