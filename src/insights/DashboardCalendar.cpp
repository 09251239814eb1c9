#include "insights/DashboardCalendar.h"

#include <QLocale>

DashboardCalendar::DashboardCalendar(Qt::DayOfWeek firstDayOfWeek, QTimeZone timeZone)
    : m_firstDayOfWeek(firstDayOfWeek)
    , m_timeZone(timeZone.isValid() ? std::move(timeZone) : QTimeZone::utc())
{
}

DashboardCalendar DashboardCalendar::system()
{
    return DashboardCalendar(QLocale::system().firstDayOfWeek(), QTimeZone::systemTimeZone());
}

QDate DashboardCalendar::localDate(const QDateTime& instant) const
{
    return instant.toTimeZone(m_timeZone).date();
}

QDate DashboardCalendar::weekStart(QDate day) const
{
    const int daysIntoWeek = (day.dayOfWeek() - static_cast<int>(m_firstDayOfWeek) + 7) % 7;
    return day.addDays(-daysIntoWeek);
}

QDateTime DashboardCalendar::startOfDay(QDate day) const
{
    return day.startOfDay(m_timeZone).toUTC();
}
