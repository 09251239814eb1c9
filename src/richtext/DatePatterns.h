// The compiled regular expressions that find dates and times in item text, compiled once per process.
#pragma once

#include <unicode/regex.h>

#include <QList>

class DatePatterns
{
public:
    // The detection patterns that compiled, in detection order.
    static const QList<const icu::RegexPattern*>& detection();
    // Ordinal suffixes after day numbers ("3rd"), removed before parsing.
    static const icu::RegexPattern* ordinalSuffix();
};
