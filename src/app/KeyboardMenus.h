// Menus as the keyboard reaches them: a menu opened from the keyboard first announces itself (so a
// screen reader says that a menu opened, and which), then puts its first entry under the keyboard
// (so it hears where it is in the menu, and Down goes on from there), and F10 opens the menu bar, as
// in every desktop application.
#pragma once

class QMainWindow;
class QMenu;

namespace KeyboardMenus {
// Call before showing `menu`: once it is shown, it takes the focus, then its first enabled entry is
// the active one.
void highlightFirstEntry(QMenu& menu);
// Every menu of `window`'s menu bar says which it is when it opens, and F10 anywhere in the window
// opens the first one with its first entry active.
void speakMenuBar(QMainWindow& window);
}
