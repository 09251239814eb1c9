#include "app/KeyboardActivation.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>

void KeyboardActivation::install()
{
    static KeyboardActivation* installed = nullptr;
    if (installed || !QCoreApplication::instance())
        return;
    installed = new KeyboardActivation(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(installed);
}

bool KeyboardActivation::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || !button->hasFocus() || !button->isEnabled())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    // A dialog's default buttons already answer Return.
    if (auto* push = qobject_cast<QPushButton*>(button); push && (push->autoDefault() || push->isDefault()))
        return false;
    button->click();
    return true;
}
