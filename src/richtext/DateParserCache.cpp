#include "richtext/DateParserCache.h"

#include "richtext/DatePatterns.h"
#include "richtext/IcuText.h"

#include <unicode/gregocal.h>
#include <unicode/regex.h>
#include <unicode/timezone.h>

#include <QDateTime>

const QStringList& DateParserCache::dateTimeFormats()
{
    static const QStringList formats {
        QStringLiteral("d/M/yyyy H:mm"), QStringLiteral("d/M/yyyy HH:mm"), QStringLiteral("dd/MM/yyyy H:mm"),
        QStringLiteral("dd/MM/yyyy HH:mm"), QStringLiteral("M/d/yyyy H:mm"), QStringLiteral("M/d/yyyy HH:mm"),
        QStringLiteral("MM/dd/yyyy H:mm"), QStringLiteral("MM/dd/yyyy HH:mm"), QStringLiteral("d/M/yyyy h:mm a"),
        QStringLiteral("dd/MM/yyyy h:mm a"), QStringLiteral("M/d/yyyy h:mm a"), QStringLiteral("MM/dd/yyyy h:mm a"),
        QStringLiteral("d.M.yyyy H:mm"), QStringLiteral("d.M.yyyy HH:mm"), QStringLiteral("M.d.yyyy H:mm"),
        QStringLiteral("M.d.yyyy HH:mm"), QStringLiteral("yyyy-MM-dd H:mm"), QStringLiteral("yyyy-MM-dd HH:mm"),
        QStringLiteral("yyyy-MM-dd h:mm a"), QStringLiteral("MMMM d, yyyy h:mm a"), QStringLiteral("MMMM d yyyy h:mm a"),
        QStringLiteral("d MMM yyyy h:mm a"),
    };
    return formats;
}

const QStringList& DateParserCache::dateFormats()
{
    static const QStringList formats {
        QStringLiteral("d.M.yyyy"), QStringLiteral("dd.MM.yyyy"), QStringLiteral("M.d.yyyy"), QStringLiteral("MM.dd.yyyy"),
        QStringLiteral("d/MM/yyyy"), QStringLiteral("dd/MM/yyyy"), QStringLiteral("M/d/yyyy"), QStringLiteral("MM/dd/yyyy"),
        QStringLiteral("d-M-yyyy"), QStringLiteral("dd-MM-yyyy"), QStringLiteral("M-d-yyyy"), QStringLiteral("MM-dd-yyyy"),
        QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy/MM/dd"), QStringLiteral("d MMM yyyy"),
        QStringLiteral("d MMMM yyyy"), QStringLiteral("MMMM d yyyy"), QStringLiteral("MMMM d, yyyy"),
        QStringLiteral("MMM d yyyy"), QStringLiteral("MMM d, yyyy"),
    };
    return formats;
}

const QStringList& DateParserCache::timeFormats()
{
    static const QStringList formats {
        QStringLiteral("H:mm"), QStringLiteral("HH:mm"), QStringLiteral("h:mma"), QStringLiteral("h:mm a"),
    };
    return formats;
}

DateParserCache& DateParserCache::forZone(const QString& timeZoneId)
{
    // Parsers carry state while they parse, so each thread has its own.
    thread_local DateParserCache cache;
    if (cache.m_zoneId != timeZoneId || !cache.m_zone)
        cache.setZone(timeZoneId);
    return cache;
}

void DateParserCache::setZone(const QString& timeZoneId)
{
    m_zoneId = timeZoneId;
    m_zone.reset(icu::TimeZone::createTimeZone(IcuText::view(timeZoneId)));
    for (const auto& parser : std::as_const(m_parsers)) {
        parser->format->setTimeZone(*m_zone);
        parser->calendar->setTimeZone(*m_zone);
    }
}

namespace {

constexpr unsigned letterBit = 1u << 5;

unsigned separatorBit(QChar c)
{
    switch (c.unicode()) {
    case u':': return 1u << 0;
    case u'/': return 1u << 1;
    case u'.': return 1u << 2;
    case u'-': return 1u << 3;
    case u',': return 1u << 4;
    default: return 0;
    }
}

} // namespace

unsigned DateParserCache::shapeOf(const QString& text)
{
    unsigned shape = 0;
    for (const QChar c : text)
        shape |= c.isLetter() ? letterBit : separatorBit(c);
    return shape;
}

unsigned DateParserCache::shapeOfFormat(const QString& format)
{
    unsigned shape = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('a') || (c == QLatin1Char('M') && format.mid(i, 3) == QStringLiteral("MMM")))
            shape |= letterBit;
        else
            shape |= separatorBit(c);
    }
    return shape;
}

DateParserCache::Parser* DateParserCache::parser(const QString& format)
{
    if (const auto found = m_parsers.constFind(format); found != m_parsers.cend())
        return found->get();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale posix("en_US_POSIX");
    auto parser = std::make_shared<Parser>();
    parser->shape = shapeOfFormat(format);
    parser->format = std::make_unique<icu::SimpleDateFormat>(IcuText::view(format), posix, status);
    if (U_FAILURE(status))
        return nullptr;
    parser->calendar = std::make_unique<icu::GregorianCalendar>(*m_zone, posix, status);
    if (U_FAILURE(status))
        return nullptr;
    parser->calendar->setLenient(false);
    parser->format->adoptCalendar(parser->calendar->clone());
    parser->format->setTimeZone(*m_zone);
    // Strict: no lenient field values, no whitespace or partial-literal leeway.
    parser->format->setLenient(false);
    m_parsers.insert(format, parser);
    return parser.get();
}

UDate DateParserCache::defaultDate()
{
    // 1 January 2000, 00:00 in the Gregorian calendar, in the zone of the first use.
    static const UDate value = [] {
        UErrorCode status = U_ZERO_ERROR;
        icu::GregorianCalendar calendar(2000, UCAL_JANUARY, 1, 0, 0, 0, status);
        const UDate date = U_SUCCESS(status) ? calendar.getTime(status) : 0.0;
        return U_SUCCESS(status) ? date : static_cast<UDate>(QDateTime::currentMSecsSinceEpoch());
    }();
    return value;
}

std::optional<UDate> DateParserCache::parseWith(const QStringList& formats, const QString& text, bool withDefaultDate)
{
    const icu::UnicodeString input = IcuText::view(text);
    const unsigned shape = shapeOf(text);
    for (const QString& format : formats) {
        Parser* candidate = parser(format);
        if (!candidate || candidate->shape != shape)
            continue;
        UErrorCode status = U_ZERO_ERROR;
        icu::ParsePosition position(0);
        if (withDefaultDate) {
            candidate->calendar->setTime(defaultDate(), status);
        } else {
            candidate->calendar->clear();
        }
        candidate->format->parse(input, *candidate->calendar, position);
        if (position.getErrorIndex() != -1 || position.getIndex() != input.length())
            continue;
        const UDate date = candidate->calendar->getTime(status);
        if (U_FAILURE(status))
            continue;
        return date;
    }
    return std::nullopt;
}

QString DateParserCache::withoutOrdinals(const QString& text)
{
    const icu::RegexPattern* pattern = DatePatterns::ordinalSuffix();
    // Every suffix is letters; most dates have none.
    if (!pattern || !(shapeOf(text) & letterBit))
        return text;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString input = IcuText::view(text);
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status))
        return text;
    const icu::UnicodeString replaced = matcher->replaceAll(icu::UnicodeString(u"$1"), status);
    return U_SUCCESS(status) ? IcuText::toQString(replaced) : text;
}

std::optional<UDate> DateParserCache::parseDateTime(const QString& text)
{
    return parseWith(dateTimeFormats(), withoutOrdinals(text), false);
}

std::optional<UDate> DateParserCache::parseDate(const QString& text)
{
    return parseWith(dateFormats(), withoutOrdinals(text), false);
}

std::optional<UDate> DateParserCache::parseTime(const QString& text, const QString& localeName)
{
    icu::UnicodeString upper = IcuText::view(text);
    upper.toUpper(icu::Locale(localeName.toUtf8().constData()));
    const QString upperText = IcuText::toQString(upper);
    QString compact = upperText;
    compact.remove(QLatin1Char(' '));
    for (const QString& candidate : {upperText, compact}) {
        if (const auto time = parseWith(timeFormats(), candidate, true))
            return time;
    }
    return std::nullopt;
}
