#include "TextLimits.h"

#include "HttpError.h"

#include <QTextBoundaryFinder>

int TextLimits::graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

std::optional<QString> TextLimits::problem(const QString& what, const QString& text, TextLimit limit)
{
    if (text.contains(QChar(0)))
        return QStringLiteral("%1 must not contain the character U+0000.").arg(what);
    // The code units first: they are cheap to count and bound the work of counting characters.
    if (text.size() > limit.codeUnits || graphemeCount(text) > limit.characters)
        return QStringLiteral("%1 is limited to %2 characters.").arg(what).arg(limit.characters);
    return std::nullopt;
}

void TextLimits::require(const QString& field, const QString& text, TextLimit limit)
{
    if (auto refusal = problem(QStringLiteral("\"%1\"").arg(field), text, limit))
        throw HttpError(400, refusalCode(text, QStringLiteral("FIELD_TOO_LONG")), *refusal);
}

QString TextLimits::refusalCode(const QString& text, const QString& overLimit)
{
    return text.contains(QChar(0)) ? QStringLiteral("INVALID_TEXT") : overLimit;
}
