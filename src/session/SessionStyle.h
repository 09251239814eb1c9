// The look shared by the account, notification, changelog and update views: the accent colour, the
// secondary text colour, and the symbols they name. A symbol is kept in the widget's "symbol"
// property and drawn from the symbol icon set; a symbol the set lacks is shown as a text glyph.
#pragma once

#include <QColor>
#include <QString>

class QAbstractButton;
class QIcon;
class QLabel;
class QWidget;

namespace SessionStyle {

QColor accent();
QColor secondaryText();
QColor emphasisedText();

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
