// Icons for the symbol names the settings window and dialogs use ("gearshape.2", "trash", …). The
// icon set lives with the application, above this library, so the application hands in its lookup
// once at start; until then (and in a process without it) the controls show their texts only.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <functional>

class SettingsSymbols
{
public:
    using Lookup = std::function<QIcon(const QString& symbol, const QColor& color)>;

    static void setLookup(Lookup lookup);
    // A null icon when no lookup is set or the lookup has no icon for the symbol.
    static QIcon icon(const QString& symbol, const QColor& color);
};
