#include "accessible/AccessibleShortcut.h"

#include "accessible/ShortcutButtonAccessible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QKeySequence>

namespace {
QAccessibleInterface* interfaceFor(const QString& className, QObject* object)
{
    // Asked for each class of the object from the most derived up; Qt's own button classes are
    // answered here only for the buttons that carry a key.
    if (className != QLatin1String("QToolButton") && className != QLatin1String("QPushButton"))
        return nullptr;
    auto* button = qobject_cast<QAbstractButton*>(object);
    if (!button || !button->property(ShortcutButtonAccessible::keyProperty).isValid())
        return nullptr;
    return new ShortcutButtonAccessible(button);
}
}

void AccessibleShortcut::set(QAbstractButton& button, const QKeySequence& key)
{
    // Factories installed later are asked first, so this one comes before Qt's own for buttons.
    static const bool installed = [] {
        QAccessible::installFactory(interfaceFor);
        return true;
    }();
    (void)installed;
    button.setProperty(ShortcutButtonAccessible::keyProperty, key);
}
