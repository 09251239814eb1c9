#include "app/AppAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {
QAccessibleInterface* interfaceFor(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("ToastView"))
        return new QAccessibleWidget(widget, QAccessible::AlertMessage);
    if (className == QLatin1String("ItemCardView"))
        return new QAccessibleWidget(widget, QAccessible::ListItem);
    return nullptr;
}
}

void AppAccessibility::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(interfaceFor);
}

void AppAccessibility::announce(QWidget* source, const QString& text)
{
    if (!source)
        return;
    source->setAccessibleName(text);
    QAccessibleEvent alert(source, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
