// The locale and time zone that date badges are parsed and labelled in. The view passes the
// system's current values; tests pass fixed ones.
#pragma once

#include <QString>

struct TemporalContext
{
    QString localeName; // ICU locale identifier, e.g. "en_US" or "de_DE@calendar=buddhist"
    QString timeZoneId; // IANA identifier, e.g. "Europe/Berlin"

    static TemporalContext system();
};
