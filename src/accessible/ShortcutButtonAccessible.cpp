#include "accessible/ShortcutButtonAccessible.h"

#include <QAbstractButton>
#include <QKeySequence>

ShortcutButtonAccessible::ShortcutButtonAccessible(QAbstractButton* button)
    : QAccessibleWidget(button, button->isCheckable() ? QAccessible::CheckBox : QAccessible::Button)
{
    addControllingSignal(QStringLiteral("clicked(bool)"));
}

QAbstractButton* ShortcutButtonAccessible::button() const
{
    return static_cast<QAbstractButton*>(widget());
}

QString ShortcutButtonAccessible::keyText() const
{
    return button()->property(keyProperty).value<QKeySequence>().toString(QKeySequence::NativeText);
}

QString ShortcutButtonAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name: {
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? button()->text().remove(QLatin1Char('&')) : name;
    }
    case QAccessible::Description:
        // Only what was written for a screen reader: the tooltip repeats the name and the key.
        return widget()->accessibleDescription();
    case QAccessible::Accelerator:
        return keyText();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State ShortcutButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = button()->isCheckable();
    state.checked = button()->isChecked();
    state.pressed = button()->isDown();
    return state;
}

QStringList ShortcutButtonAccessible::actionNames() const
{
    return widget()->isEnabled() ? QStringList { pressAction() } : QStringList();
}

void ShortcutButtonAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction() && widget()->isEnabled())
        button()->click();
}

QStringList ShortcutButtonAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != pressAction())
        return {};
    // The desktop's form "mnemonic;full path;accelerator": the key is an accelerator.
    return { QStringLiteral(";;") + keyText() };
}
