// The symbol names the views use ("gearshape", "arrow.clockwise", …) mapped to the vendored SVG
// icons under :/icons, drawn in a given colour. Unknown names give a null icon.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class SymbolIcons
{
public:
    // The resource path of the icon that stands for the symbol, or empty when there is none.
    static QString resourcePath(const QString& symbol);
    static bool hasSymbol(const QString& symbol) { return !resourcePath(symbol).isEmpty(); }
    // Every symbol name with an icon, sorted.
    static QStringList knownNames();

    static QPixmap pixmap(const QString& symbol, const QColor& color, int size, qreal devicePixelRatio = 2.0);
    // Normal in the colour, disabled dimmed.
    static QIcon icon(const QString& symbol, const QColor& color, int size = 16);
};
