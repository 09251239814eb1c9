#include "richtext/TemporalContext.h"

#include <QLocale>
#include <QTimeZone>

TemporalContext TemporalContext::system()
{
    return TemporalContext {QLocale::system().name(), QString::fromUtf8(QTimeZone::systemTimeZoneId())};
}
