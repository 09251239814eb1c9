#include "richtext/LinkTextCleaning.h"

#include "richtext/HtmlEntity.h"
#include "richtext/UserCharacters.h"

#include <QRegularExpression>

namespace {

constexpr qsizetype maxTitleCharacters = 120;
constexpr qsizetype maxSummaryCharacters = 200;

QString collapseWhiteSpace(const QString& text)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QString collapsed = text;
    collapsed.replace(whiteSpace, QStringLiteral(" "));
    return collapsed.trimmed();
}

} // namespace

QString cleanTitle(const QString& raw)
{
    return userCharacterPrefix(collapseWhiteSpace(raw), maxTitleCharacters);
}

std::optional<QString> cleanSummary(const QString& raw)
{
    QString summary = collapseWhiteSpace(decodeEntities(raw));
    if (summary.isEmpty())
        return std::nullopt;
    if (userCharacterCount(summary) > maxSummaryCharacters)
        summary = userCharacterPrefix(summary, maxSummaryCharacters).trimmed();
    return summary;
}

QString decodeEntities(const QString& html)
{
    // A title or summary is one line of plain text: a non-breaking space reads as a space, also in
    // text without any markup.
    if (!html.contains(QLatin1Char('&')) && !html.contains(QLatin1Char('<')))
        return QString(html).replace(QChar::Nbsp, QLatin1Char(' '));
    // Tags go as a browser's text view drops them; a '<' that opens no tag stays. Nothing here reads
    // markup as a document, so no style sheet, image or link is ever resolved.
    QString text;
    text.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html[i];
        const QChar next = i + 1 < html.size() ? html[i + 1] : QChar();
        const bool opensTag = c == QLatin1Char('<')
            && ((next.unicode() < 0x80 && next.isLetter()) || next == QLatin1Char('/') || next == QLatin1Char('!')
                || next == QLatin1Char('?'));
        const qsizetype close = opensTag ? html.indexOf(QLatin1Char('>'), i + 1) : -1;
        if (close < 0) {
            text += c;
            continue;
        }
        i = close;
    }
    // A title or summary is one line of plain text: a non-breaking space reads as a space.
    return HtmlEntity::decodeAll(text).replace(QChar::Nbsp, QLatin1Char(' '));
}

QString capitalizeWords(const QString& text)
{
    QString result = text.toLower();
    bool atWordStart = true;
    for (QChar& c : result) {
        if (c.isSpace()) {
            atWordStart = true;
        } else if (atWordStart) {
            c = c.toUpper();
            atWordStart = false;
        }
    }
    return result;
}
