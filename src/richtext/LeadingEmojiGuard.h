// Text that begins with an emoji is shown with a zero-width space in front, which keeps the text
// view from taking the emoji's font for everything typed after it. The space lives only in the view.
#pragma once

#include <QString>

inline constexpr QChar zeroWidthSpace { 0x200B };

// What the text view shows for the stored text.
QString editorTextFor(const QString& text);

// What is stored for the text view's text: every zero-width space removed.
QString storedTextFrom(const QString& editorText);
