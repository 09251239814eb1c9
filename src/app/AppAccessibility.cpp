#include "app/AppAccessibility.h"

#include "accessible/ApplicationAccessible.h"
#include "app/StatusTabAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QToolButton>
#include <QWidget>

namespace {
constexpr const char* announcerProperty = "plenkoAnnouncer";

QAccessibleInterface* interfaceFor(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("ToastView")
        || (className == QLatin1String("QWidget") && widget->property(announcerProperty).isValid()))
        return new QAccessibleWidget(widget, QAccessible::Notification);
    if (className == QLatin1String("ItemCardView"))
        return new QAccessibleWidget(widget, QAccessible::ListItem);
    // Qt calls a stack of pages a layered pane, which a screen reader names on every way in; to a
    // listener it is only layout.
    if (className == QLatin1String("QStackedWidget"))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    if (className == QLatin1String("TopNavigationView"))
        return new QAccessibleWidget(widget, QAccessible::PageTabList);
    if (className == QLatin1String("QToolButton") && widget->property(StatusTabAccessible::tabProperty).isValid())
        return new StatusTabAccessible(static_cast<QToolButton*>(widget));
    return nullptr;
}
}

void AppAccessibility::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    ApplicationAccessible::install();
    QAccessible::installFactory(interfaceFor);
}

QWidget* AppAccessibility::makeAnnouncer(QWidget* parent)
{
    install();
    auto* announcer = new QWidget(parent);
    announcer->setProperty(announcerProperty, true);
    announcer->hide();
    return announcer;
}

void AppAccessibility::announce(QWidget* source, const QString& text)
{
    if (!source)
        return;
    source->setAccessibleName(text);
    QAccessibleEvent shown(source, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
