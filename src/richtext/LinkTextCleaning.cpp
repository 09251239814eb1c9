#include "richtext/LinkTextCleaning.h"

#include "richtext/UserCharacters.h"

#include <QRegularExpression>
#include <QTextDocumentFragment>

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
    // Text without markup or entities needs no document, which keeps the common case cheap.
    if (!html.contains(QLatin1Char('&')) && !html.contains(QLatin1Char('<')))
        return html;
    QString plain = QTextDocumentFragment::fromHtml(html).toPlainText();
    // Images and other objects leave a placeholder character that means nothing in a label.
    plain.remove(QChar::ObjectReplacementCharacter);
    return plain;
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
