// The editor's colours for the current palette: the counter's tones, text and container colours.
#pragma once

#include <QColor>
#include <QPalette>

namespace EditorColors {

bool isDark(const QPalette& palette);

QColor primaryText(const QPalette& palette);
QColor secondaryLabel(const QPalette& palette);
QColor systemRed(const QPalette& palette);
QColor systemOrange(const QPalette& palette);
QColor systemGray(const QPalette& palette);
QColor mainContentBackground(const QPalette& palette);
QColor containerBorder(const QPalette& palette);

} // namespace EditorColors
