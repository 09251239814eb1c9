// Small building blocks shared by the settings tabs and dialogs, so their texts look alike.
#pragma once

#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace SettingsWidgets {
QLabel* title(const QString& text, QWidget* parent, qreal growBy = 1.5);
QLabel* secondary(const QString& text, QWidget* parent);
// A rounded panel that groups one section of a tab.
QFrame* panel(QWidget* parent);
// A push button with the icon of the symbol in front of its text.
QPushButton* button(const QString& text, const QString& symbol, QWidget* parent);
}
