// Strict date and time parsers for the fixed formats people write dates in, built once and reused.
// Every parser reads en_US_POSIX text in the Gregorian calendar and must consume the whole text.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <unicode/calendar.h>
#include <unicode/smpdtfmt.h>

#include <memory>
#include <optional>

class DateParserCache
{
public:
    static const QStringList& dateTimeFormats();
    static const QStringList& dateFormats();
    static const QStringList& timeFormats();

    // The parsers of the calling thread, set to `timeZoneId` (the zone changes rarely, so the parsers
    // are kept and only their zone is swapped).
    static DateParserCache& forZone(const QString& timeZoneId);

    std::optional<UDate> parseDateTime(const QString& text);
    std::optional<UDate> parseDate(const QString& text);
    // `localeName` upper-cases the text ("pm" -> "PM") the way the user's language does.
    std::optional<UDate> parseTime(const QString& text, const QString& localeName);

private:
    struct Parser
    {
        unsigned shape = 0; // see shapeOf
        std::unique_ptr<icu::SimpleDateFormat> format;
        std::unique_ptr<icu::Calendar> calendar; // time formats: preset to the default date before each parse
    };

    void setZone(const QString& timeZoneId);
    Parser* parser(const QString& format);
    std::optional<UDate> parseWith(const QStringList& formats, const QString& text, bool withDefaultDate);
    static QString withoutOrdinals(const QString& text);
    // The separators (":", "/", ".", "-", ",") and whether letters appear. A strict parse consumes
    // the literal separators of its format exactly and reads letters only for month names and
    // AM/PM, so a format whose shape differs from the text's cannot parse it.
    static unsigned shapeOf(const QString& text);
    static unsigned shapeOfFormat(const QString& format);
    static UDate defaultDate();

    QString m_zoneId;
    std::unique_ptr<icu::TimeZone> m_zone;
    QHash<QString, std::shared_ptr<Parser>> m_parsers;
};
