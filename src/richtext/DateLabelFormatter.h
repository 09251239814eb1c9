// Writes a moment in the user's locale and calendar with the medium date / short time styles; the
// formatters are built once per locale, zone and style and reused.
#pragma once

#include "richtext/TemporalContext.h"

#include <QString>

#include <unicode/utypes.h>

class DateLabelFormatter
{
public:
    enum class Style { DateAndTime, DateOnly, TimeOnly };

    static QString format(UDate moment, Style style, const TemporalContext& context);
};
