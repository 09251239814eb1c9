#include "insights/DashboardCalendar.h"

#include <QLocale>

DashboardCalendar::DashboardCalendar(Qt::DayOfWeek firstDayOfWeek, QTimeZone timeZone)
    : m_firstDayOfWeek(firstDayOfWeek)
    , m_timeZone(timeZone.isValid() ? std::move(timeZone) : QTimeZone::utc())
{
}

DashboardCalendar DashboardCalendar::system()
{
    return DashboardCalendar(QLocale::system().firstDayOfWeek(), localZone());
}

QTimeZone DashboardCalendar::localZone()
{
    const QTimeZone system = QTimeZone::systemTimeZone();
    if (system.isValid())
        return system;
    // Qt could not name the system's zone (no zone database entry for it), yet local time still
    // follows it: take its offset now, as the item details' local times do, rather than UTC.
    return QTimeZone(QDateTime::currentDateTime().offsetFromUtc());
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
