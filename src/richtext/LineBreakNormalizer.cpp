#include "richtext/LineBreakNormalizer.h"

QString LineBreakNormalizer::normalize(const QString& text)
{
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QString result;
    result.reserve(unified.size() + 16);
    qsizetype newlines = 0;
    auto flush = [&result, &newlines] {
        if (newlines == 1)
            result += QStringLiteral("  \n");
        else
            result += QString(newlines, QLatin1Char('\n'));
        newlines = 0;
    };
    for (const QChar c : unified) {
        if (c == QLatin1Char('\n')) {
            ++newlines;
            continue;
        }
        if (newlines > 0)
            flush();
        result += c;
    }
    if (newlines > 0)
        flush();
    return result;
}
