#include "app/KeyboardMenus.h"

#include <QAccessible>
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QTimer>

#include <chrono>

namespace {
using namespace std::chrono_literals;

// The window under a popup reports itself activated again just after the popup opens. A screen
// reader ignores that while the window is still the active one to it, but follows it away from a
// menu entry it has already announced: the entry takes the keyboard after that report, and is
// announced once more later in case the report came late.
constexpr auto highlightDelay = 120ms;
constexpr auto reannounceDelay = 600ms;

QAction* firstEntry(const QMenu& menu)
{
    const QList<QAction*> actions = menu.actions();
    for (QAction* action : actions) {
        if (action->isVisible() && action->isEnabled() && !action->isSeparator())
            return action;
    }
    return nullptr;
}

void announceActiveEntry(QMenu& menu)
{
    QAccessibleEvent focus(&menu, QAccessible::Focus);
    focus.setChild(int(menu.actions().indexOf(menu.activeAction())));
    QAccessible::updateAccessibility(&focus);
}
}

void KeyboardMenus::highlightFirstEntry(QMenu& menu)
{
    QPointer<QMenu> shown(&menu);
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [shown] {
        QTimer::singleShot(highlightDelay, shown, [shown] {
            // Down or Up may have been pressed in the meantime: that entry stays.
            if (!shown || !shown->isVisible() || shown->activeAction())
                return;
            QAction* first = firstEntry(*shown);
            if (!first)
                return;
            shown->setActiveAction(first);
            QTimer::singleShot(reannounceDelay, shown, [shown, first] {
                if (shown && shown->isVisible() && shown->activeAction() == first)
                    announceActiveEntry(*shown);
            });
        });
    }, Qt::SingleShotConnection);
}

void KeyboardMenus::openMenuBarOnF10(QMainWindow& window)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, &window, [&window] {
        QMenuBar* bar = window.menuBar();
        const QList<QAction*> menus = bar->actions();
        for (QAction* action : menus) {
            if (!action->isVisible() || !action->isEnabled() || !action->menu())
                continue;
            highlightFirstEntry(*action->menu());
            bar->setActiveAction(action);
            return;
        }
    });
}
