// Menus as the keyboard reaches them: a menu opened from the keyboard puts its first entry under
// the keyboard (so a screen reader hears the menu and where it is in it, and Down goes on from
// there), and F10 opens the menu bar, as in every desktop application.
#pragma once

class QMainWindow;
class QMenu;

namespace KeyboardMenus {
// Call before showing `menu`: once it is shown, its first enabled entry is the active one.
void highlightFirstEntry(QMenu& menu);
// F10 anywhere in `window` opens its first menu with the first entry active.
void openMenuBarOnF10(QMainWindow& window);
}
