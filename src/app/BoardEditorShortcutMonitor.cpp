#include "app/BoardEditorShortcutMonitor.h"

#include "app/AppNotifications.h"
#include "app/NotificationCenter.h"

#include <QCoreApplication>
#include <QKeyEvent>

BoardEditorShortcutMonitor::BoardEditorShortcutMonitor(NotificationCenter& center, QObject* parent)
    : QObject(parent)
    , m_center(&center)
{
    start();
}

BoardEditorShortcutMonitor::~BoardEditorShortcutMonitor()
{
    stop();
}

void BoardEditorShortcutMonitor::start()
{
    if (m_installed || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_installed = true;
}

void BoardEditorShortcutMonitor::stop()
{
    if (!m_installed)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_installed = false;
}

QString BoardEditorShortcutMonitor::notificationFor(const QKeyEvent& event)
{
    // Exactly Ctrl: Shift, Alt, Meta or the keypad flag beside it means the key is someone else's.
    if (event.modifiers() != Qt::ControlModifier)
        return {};
    switch (event.key()) {
    case Qt::Key_1:
        return AppNotification::requestTodoTab;
    case Qt::Key_2:
        return AppNotification::requestInProgressTab;
    case Qt::Key_3:
        return AppNotification::requestDoneTab;
    case Qt::Key_S:
        return AppNotification::requestEditorSave;
    default:
        return {};
    }
}

bool BoardEditorShortcutMonitor::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (!m_center || (type != QEvent::KeyPress && type != QEvent::ShortcutOverride))
        return QObject::eventFilter(watched, event);

    // The filter sees a key press first on the window and then on the widget it is forwarded to;
    // post once, on the widget delivery. The shortcut override is swallowed so no menu action wins.
    const auto& keyEvent = *static_cast<QKeyEvent*>(event);
    const QString name = notificationFor(keyEvent);
    if (name.isEmpty())
        return QObject::eventFilter(watched, event);
    if (type == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (!watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    m_center->post(name);
    return true;
}
