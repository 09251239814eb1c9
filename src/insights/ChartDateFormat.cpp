#include "insights/ChartDateFormat.h"

namespace {
bool isField(QChar c)
{
    return c.isLetter() || c == QLatin1Char('\'');
}
}

QString ChartDateFormat::monthDay(const QLocale& locale)
{
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype start = pattern.indexOf(QLatin1Char('y'));
    if (start < 0)
        return pattern;
    qsizetype end = start;
    while (end < pattern.size() && pattern.at(end) == QLatin1Char('y'))
        ++end;
    // Take the separator that joins the year to the rest: the one after a leading or inner year,
    // the one before a trailing year.
    qsizetype from = start;
    qsizetype to = end;
    if (end == pattern.size()) {
        while (from > 0 && !isField(pattern.at(from - 1)))
            --from;
    } else {
        while (to < pattern.size() && !isField(pattern.at(to)))
            ++to;
    }
    QString result = pattern;
    result.remove(from, to - from);
    return result.trimmed();
}

QString ChartDateFormat::forRange(const QLocale& locale, QDate first, QDate last)
{
    if (first.isValid() && last.isValid() && first.year() != last.year())
        return locale.dateFormat(QLocale::ShortFormat);
    return monthDay(locale);
}
