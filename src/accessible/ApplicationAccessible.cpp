#include "accessible/ApplicationAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>

namespace {
QAccessibleInterface* interfaceFor(const QString&, QObject* object)
{
    if (!object || object != QCoreApplication::instance())
        return nullptr;
    return new ApplicationAccessible;
}
}

void ApplicationAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(interfaceFor);
        return true;
    }();
    (void)installed;
}

QList<QMenu*> ApplicationAccessible::openMenus()
{
    QList<QMenu*> menus;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        auto* menu = qobject_cast<QMenu*>(window);
        if (!menu || !menu->isVisible())
            continue;
        const QAccessibleInterface* menuInterface = QAccessible::queryAccessibleInterface(menu);
        const QAccessibleInterface* parent = menuInterface ? menuInterface->parent() : nullptr;
        if (parent && parent->object() == QCoreApplication::instance())
            menus.append(menu);
    }
    return menus;
}

int ApplicationAccessible::childCount() const
{
    return QAccessibleApplication::childCount() + int(openMenus().size());
}

int ApplicationAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const int index = QAccessibleApplication::indexOfChild(child);
    if (index >= 0 || !child)
        return index;
    const int menu = int(openMenus().indexOf(qobject_cast<QMenu*>(child->object())));
    return menu < 0 ? -1 : QAccessibleApplication::childCount() + menu;
}

QAccessibleInterface* ApplicationAccessible::child(int index) const
{
    const int windows = QAccessibleApplication::childCount();
    if (index < windows)
        return QAccessibleApplication::child(index);
    const QList<QMenu*> menus = openMenus();
    const int menu = index - windows;
    return menu < menus.size() ? QAccessible::queryAccessibleInterface(menus.at(menu)) : nullptr;
}
