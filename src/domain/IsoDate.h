// The shared ISO 8601 internet date-time form of every date that becomes wire text or is read from
// it: 2024-05-01T12:30:00Z, UTC, no fractional seconds. A numeric offset is accepted when reading.
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// An invalid date gives the empty text, which no reader accepts as a date.
QString isoDateText(const QDateTime& date);

// Strict: whole text, seconds required, no fraction, "Z" or "+hh:mm"/"-hh:mm". Anything else is absent.
std::optional<QDateTime> parseIsoDate(const QString& text);
