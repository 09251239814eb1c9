#include "transfer/ArchiveDates.h"

QString archiveDateText(const QDateTime& date)
{
    return date.toUTC().toString(Qt::ISODateWithMs);
}

std::optional<QDateTime> parseArchiveDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    QDateTime date = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    // A date and time without a zone would mean whatever zone the reader happens to be in.
    if (date.isValid() && date.timeSpec() != Qt::LocalTime)
        return date.toUTC();
    const QDate day = QDate::fromString(trimmed, Qt::ISODate);
    if (day.isValid() && trimmed.size() == 10)
        return QDateTime(day, QTime(0, 0), Qt::UTC);
    return std::nullopt;
}
