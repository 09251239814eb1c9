// Tells assistive technology which key presses a button, as its keyboard shortcut (what a screen
// reader says after the role: "Search items, push button, Ctrl+F"), so the key is never spelled
// inside the name. The tooltip may still show the key to sighted users; it is not read as the
// button's description.
#pragma once

class QAbstractButton;
class QKeySequence;

namespace AccessibleShortcut {
// Call right after making the button, before it is named or shown: a screen reader's view of a
// widget is made once, the first time anything about it is reported.
void set(QAbstractButton& button, const QKeySequence& key);
}
