// The look shared by the account, notification, changelog and update views: the accent colour, the
// secondary text colour, and the symbols they name. A symbol is kept in the widget's "symbol"
// property and drawn from the icon set the application hands in; without one (or for a symbol the
// set lacks) it is shown as a text glyph.
#pragma once

#include <QColor>
#include <QString>

#include <functional>

class QAbstractButton;
class QIcon;
class QLabel;
class QWidget;

namespace SessionStyle {

QColor accent();
QColor secondaryText();
QColor emphasisedText();

using SymbolLookup = std::function<QIcon(const QString& symbol, const QColor& color)>;
// The application's icon set, set once at start, before the views are made.
void setSymbolLookup(SymbolLookup lookup);

// The glyph that stands in for a symbol name ("bell", "arrow.clockwise", …).
QString glyph(const QString& symbol);
void setSymbol(QLabel* label, const QString& symbol);
// Buttons keep their title as text and show the symbol as their icon.
void setSymbol(QAbstractButton* button, const QString& symbol, const QColor& color = emphasisedText());
QIcon symbolIcon(const QString& symbol, const QColor& color);

// Text drawn in the accent colour, and a smaller secondary text.
void useAccentText(QWidget* widget);
void useSecondaryText(QWidget* widget);
void useTitleFont(QWidget* widget, int pointSizeDelta = 3);

} // namespace SessionStyle
