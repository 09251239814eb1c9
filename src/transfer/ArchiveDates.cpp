#include "transfer/ArchiveDates.h"

#include <cstdio>

namespace {
constexpr qint64 msPerDay = 86400000;
constexpr qint64 unixEpochJulianDay = 2440588;
// "2024-05-01T12:30:00.123Z"
constexpr qsizetype archiveDateLength = 24;

qint64 floorDivide(qint64 value, qint64 divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

// The archive's own form, read where it stands: converting through Qt's general ISO parser cost more
// than everything else an item's read takes. Anything else is left to that parser.
std::optional<QDateTime> parseExactArchiveDate(const QString& text)
{
    if (text.size() != archiveDateLength)
        return std::nullopt;
    static constexpr char pattern[] = "dddd-dd-ddTdd:dd:dd.dddZ";
    int digits[17] {};
    int next = 0;
    for (qsizetype i = 0; i < archiveDateLength; ++i) {
        const char16_t c = text[i].unicode();
        if (pattern[i] == 'd') {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            digits[next++] = c - u'0';
        } else if (c != char16_t(pattern[i])) {
            return std::nullopt;
        }
    }
    const auto number = [&digits](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i)
            value = value * 10 + digits[i];
        return value;
    };
    const QDate day(number(0, 4), number(4, 2), number(6, 2));
    const QTime time(number(8, 2), number(10, 2), number(12, 2), number(14, 3));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(
        (day.toJulianDay() - unixEpochJulianDay) * msPerDay + time.msecsSinceStartOfDay(), Qt::UTC);
}
}

void appendArchiveDate(QByteArray& out, const QDateTime& date)
{
    if (!date.isValid())
        return;
    const qint64 ms = date.toMSecsSinceEpoch();
    const qint64 days = floorDivide(ms, msPerDay);
    const QDate day = QDate::fromJulianDay(unixEpochJulianDay + days);
    if (day.year() < 1 || day.year() > 9999) {
        out += date.toUTC().toString(Qt::ISODateWithMs).toLatin1();
        return;
    }
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(ms - days * msPerDay));
    char text[archiveDateLength + 1];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", day.year(), day.month(), day.day(),
        time.hour(), time.minute(), time.second(), time.msec());
    out.append(text, archiveDateLength);
}

QString archiveDateText(const QDateTime& date)
{
    QByteArray text;
    appendArchiveDate(text, date);
    return QString::fromLatin1(text);
}

std::optional<QDateTime> parseArchiveDate(const QString& text)
{
    if (auto exact = parseExactArchiveDate(text))
        return exact;
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
