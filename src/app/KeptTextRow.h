// The parts of a row that shows a text kept aside for the user (a conflict copy, a trashed item):
// the framed row, its small caption, the text itself as plain text, and its flat buttons.
#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace KeptTextRow {

// A framed row named `name`, with its vertical layout; `border` colours its frame.
QWidget* make(QWidget* parent, const QString& name, const QColor& border, QVBoxLayout** layout);
// A small secondary line above the text (why or when it was kept).
QLabel* caption(QWidget* row, const QString& name, const QString& text);
// The kept text, selectable; never rich text, whoever wrote it.
QLabel* text(QWidget* row, const QString& name, const QString& text);
QPushButton* button(QWidget* parent, const QString& name, const QString& text);
// The framed header that opens and closes the section, in `colour`.
QToolButton* sectionHeader(QWidget* parent, const QString& name, const QString& toolTip, const QColor& colour);

} // namespace KeptTextRow
