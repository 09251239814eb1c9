#include "transfer/SpreadsheetText.h"

namespace {

// Text that needs the apostrophe: a formula start, or an apostrophe before one (so that a text
// which really begins with an apostrophe survives the round trip).
bool needsGuard(QStringView text)
{
    while (text.startsWith(QLatin1Char('\'')))
        text = text.sliced(1);
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-')
        || first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r');
}

}

QString guardedSpreadsheetText(const QString& text)
{
    return needsGuard(text) ? QLatin1Char('\'') + text : text;
}

QString unguardedSpreadsheetText(const QString& text)
{
    if (text.startsWith(QLatin1Char('\'')) && needsGuard(QStringView(text).sliced(1)))
        return text.sliced(1);
    return text;
}
