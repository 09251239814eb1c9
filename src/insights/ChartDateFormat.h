// Date patterns for the dashboard's axes and labels, taken from the user's locale: its short date
// with the year when a chart spans more than one year, and without it otherwise ("M/d" in the US,
// "dd.MM" in Germany), so "2/3" is never read the other way round.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace ChartDateFormat {
// The locale's short date pattern with the year and the separator next to it taken out.
QString monthDay(const QLocale& locale);
// The pattern for dates from `first` to `last`: with the year when they fall in different years.
QString forRange(const QLocale& locale, QDate first, QDate last);
}
