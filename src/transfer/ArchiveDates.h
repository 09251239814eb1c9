// Dates in files we write: ISO 8601 in UTC with milliseconds, the precision the store keeps, so a
// restore gives back the very same instants. Reading also takes dates without milliseconds, dates
// with an offset, and (for spreadsheets) a bare day.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

QString archiveDateText(const QDateTime& date);
// The same text appended to `out` (nothing for an invalid date).
void appendArchiveDate(QByteArray& out, const QDateTime& date);
std::optional<QDateTime> parseArchiveDate(const QString& text);
