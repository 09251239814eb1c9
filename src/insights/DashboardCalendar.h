// The week rules and time zone that decide which day and which week an instant falls in on the
// dashboard. Defaults to the user's locale (first weekday) and the system time zone.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

class DashboardCalendar
{
public:
    DashboardCalendar(Qt::DayOfWeek firstDayOfWeek, QTimeZone timeZone);

    // The user's current calendar: the system locale's first weekday and the system time zone.
    static DashboardCalendar system();
    // The zone of local time, the one item details show their dates in; its current offset when
    // the system zone has no name Qt knows.
    static QTimeZone localZone();

    Qt::DayOfWeek firstDayOfWeek() const { return m_firstDayOfWeek; }
    const QTimeZone& timeZone() const { return m_timeZone; }

    // The calendar day on which the instant falls, in this calendar's time zone.
    QDate localDate(const QDateTime& instant) const;
    // The first day of the week that contains the day.
    QDate weekStart(QDate day) const;
    // The instant (UTC) at which the day begins in this calendar's time zone.
    QDateTime startOfDay(QDate day) const;

    QDateTime startOfDay(const QDateTime& instant) const { return startOfDay(localDate(instant)); }
    QDateTime weekOf(const QDateTime& instant) const { return startOfDay(weekStart(localDate(instant))); }

private:
    Qt::DayOfWeek m_firstDayOfWeek;
    QTimeZone m_timeZone;
};
