// Helpers of the settings tests: a dark palette like the application's, widget grabs into /tmp, and
// finding the confirmation dialog a control opened.
#pragma once

#include <QString>
#include <QWidget>

class DangerConfirmationDialog;

void applyDarkTestPalette();
// Saves the widget's look as /tmp/<name>.png for a look by eye; returns the path.
QString grabToTmp(QWidget* widget, const QString& name);
// The open confirmation dialog among the children of the widget, or null.
DangerConfirmationDialog* openConfirmation(QWidget* owner);
// Types the text as key presses, one user-visible character at a time (QTest::keyClicks takes
// Latin-1 only).
void typeText(QWidget* widget, const QString& text);
