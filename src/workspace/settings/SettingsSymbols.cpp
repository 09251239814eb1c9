#include "workspace/settings/SettingsSymbols.h"

namespace {
SettingsSymbols::Lookup& installedLookup()
{
    static SettingsSymbols::Lookup lookup;
    return lookup;
}
}

void SettingsSymbols::setLookup(Lookup lookup)
{
    installedLookup() = std::move(lookup);
}

QIcon SettingsSymbols::icon(const QString& symbol, const QColor& color)
{
    const Lookup& lookup = installedLookup();
    return lookup ? lookup(symbol, color) : QIcon();
}
