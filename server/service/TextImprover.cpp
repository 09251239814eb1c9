#include "TextImprover.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// A word is left alone when capitalising it could break it: links, mentions, paths, code.
bool safeToCapitalise(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[a-z][\\p{L}'’-]*[,;:!?.)]*$"));
    return plain.match(word).hasMatch();
}

QString capitaliseSentences(const QString& line)
{
    static const QRegularExpression listMarker(
        QStringLiteral(R"(^(\s*(?:[-*+]|\d+[.)])\s+(?:\[[ xX]\]\s+)?|\s*#+\s+|\s*>\s*))"));
    const QRegularExpressionMatch marker = listMarker.match(line);
    const qsizetype start = marker.hasMatch() ? marker.capturedLength() : 0;

    QString result = line;
    bool sentenceStart = true;
    qsizetype i = start;
    while (i < result.size()) {
        if (result.at(i).isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < result.size() && !result.at(end).isSpace())
            ++end;
        const QString word = result.mid(i, end - i);
        if (sentenceStart && safeToCapitalise(word))
            result[i] = result.at(i).toUpper();
        const QChar last = word.back();
        sentenceStart = last == QLatin1Char('.') || last == QLatin1Char('!') || last == QLatin1Char('?');
        i = end;
    }
    return result;
}

} // namespace

QString TextImprover::improve(const QString& text)
{
    static const QRegularExpression innerSpaces(QStringLiteral("(?<=\\S)[ \\t]{2,}"));
    static const QRegularExpression spaceBeforePunctuation(QStringLiteral("[ \\t]+([,;:!?.])(?=\\s|$)"));
    QStringList lines;
    bool previousBlank = true;
    for (QString line : text.trimmed().split(QLatin1Char('\n'))) {
        // Leading indentation carries markdown meaning (nested lists, code), so only trailing and
        // inner runs of blanks are tidied.
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        line.replace(innerSpaces, QStringLiteral(" "));
        line.replace(spaceBeforePunctuation, QStringLiteral("\\1"));
        const bool blank = line.trimmed().isEmpty();
        if (blank && previousBlank)
            continue;
        lines.append(blank ? QString() : capitaliseSentences(line));
        previousBlank = blank;
    }
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    QString result = lines.join(QLatin1Char('\n'));
    if (!result.isEmpty() && result.back().isLetterOrNumber())
        result += QLatin1Char('.');
    return result;
}
