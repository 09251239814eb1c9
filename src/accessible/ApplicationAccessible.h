// The application as a screen reader sees it: Qt's own, with the popup menus open right now among
// its windows. Qt leaves popups out of the application's children, so an open context menu has no
// place under its parent; a screen reader takes an object with no place for a dead one and will
// neither move its focus to the menu nor say that a menu opened.
#pragma once

#include <QAccessibleObject>
#include <QList>

class QMenu;

class ApplicationAccessible : public QAccessibleApplication
{
public:
    // Installs the interface for the application object; call before the accessibility bridge first
    // asks for it (Qt keeps the first answer). Later calls do nothing.
    static void install();

    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* child(int index) const override;

private:
    // Shown menus whose accessible parent is the application (a menu-bar menu or a submenu already
    // hangs under the entry that opened it), after Qt's own windows so their places do not change.
    static QList<QMenu*> openMenus();
};
