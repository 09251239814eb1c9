// Text from the network, the service or another member, shown exactly as written. A QLabel left at
// Qt::AutoText reads anything that looks like HTML as rich text, and Qt's rich text loads images and
// style sheets from local paths on the UI thread (a FIFO hangs the app, /dev/zero fills memory). So
// such text only reaches a label fixed to Qt::PlainText, and reaches rich text (tool tips, rich
// labels) escaped.
#pragma once

#include <QString>

class QLabel;
class QMessageBox;
class QWidget;

namespace UntrustedText {

// A new label fixed to plain text, then given `text`.
QLabel* label(const QString& text, QWidget* parent);

// Fixes an existing label to plain text; call before any untrusted text is set.
void makePlain(QLabel* label);

// Gives a message box its text and informative text as plain text. QMessageBox makes its informative
// label with automatic format, so the label is fixed to plain text before the text reaches it.
void setMessageBoxTexts(QMessageBox* box, const QString& text, const QString& informativeText);

// `text` as rich text that shows exactly `text`: markup escaped, line breaks and runs of spaces kept.
QString asRichText(const QString& text);

// A tool tip that shows `text` exactly. Tool tips guess the format from the text, so plain text that
// looks like markup is escaped and marked as rich text, keeping white space as written; each line
// ending (CR LF, CR or LF) shows as one line break.
QString toolTip(const QString& text);

} // namespace UntrustedText
