#include "richtext/DateLabelFormatter.h"

#include "richtext/IcuText.h"

#include <unicode/datefmt.h>
#include <unicode/timezone.h>

#include <QHash>

#include <memory>

namespace {

std::unique_ptr<icu::DateFormat> makeFormatter(DateLabelFormatter::Style style, const TemporalContext& context)
{
    // The locale identifier carries the user's calendar too (e.g. "@calendar=japanese").
    const icu::Locale locale(context.localeName.toUtf8().constData());
    std::unique_ptr<icu::DateFormat> formatter;
    switch (style) {
    case DateLabelFormatter::Style::DateAndTime:
        formatter.reset(icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort, locale));
        break;
    case DateLabelFormatter::Style::DateOnly:
        formatter.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, locale));
        break;
    case DateLabelFormatter::Style::TimeOnly:
        formatter.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale));
        break;
    }
    if (formatter)
        formatter->adoptTimeZone(icu::TimeZone::createTimeZone(IcuText::view(context.timeZoneId)));
    return formatter;
}

} // namespace

QString DateLabelFormatter::format(UDate moment, Style style, const TemporalContext& context)
{
    thread_local QHash<QString, std::shared_ptr<icu::DateFormat>> formatters;
    const QString key = QString::number(static_cast<int>(style)) + QLatin1Char('|') + context.localeName
        + QLatin1Char('|') + context.timeZoneId;
    auto found = formatters.find(key);
    if (found == formatters.end())
        found = formatters.insert(key, std::shared_ptr<icu::DateFormat>(makeFormatter(style, context)));
    if (!*found)
        return {};
    icu::UnicodeString label;
    (*found)->format(moment, label);
    return IcuText::toQString(label);
}
