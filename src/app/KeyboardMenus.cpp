#include "app/KeyboardMenus.h"

#include <QAccessible>
#include <QAction>
#include <QActionEvent>
#include <QGuiApplication>
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
// menu it has already announced: the menu takes the focus after that report, then its first entry,
// which is announced once more later in case the report came late.
constexpr auto highlightDelay = 120ms;
// A screen reader drops a focus report that a newer one overtook while it waited in its queue: the
// entry waits until the menu's own report has been taken, or the menu is never named. A busy screen
// reader took a quarter of a second; Down pressed meanwhile moves to the first entry all the same.
constexpr auto entryDelay = 400ms;
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

// A screen reader does not say the popup menu around an entry (it is no spoken context of its
// entries): the menu takes the focus itself before its entry does, and is heard as
// "<name> popup menu". A menu-bar menu is named after its title.
void announceMenu(QMenu& menu)
{
    if (menu.accessibleName().isEmpty() && !menu.title().isEmpty())
        menu.setAccessibleName(QString(menu.title()).remove(QLatin1Char('&')));
    QAccessibleEvent focus(&menu, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void announceActiveEntry(QMenu& menu)
{
    QAccessibleEvent focus(&menu, QAccessible::Focus);
    focus.setChild(int(menu.actions().indexOf(menu.activeAction())));
    QAccessible::updateAccessibility(&focus);
}

// Once `menu` is shown and `menuDelay` has passed, the menu is announced, then its first entry
// takes the keyboard.
void announceThenHighlight(QMenu& menu, std::chrono::milliseconds menuDelay)
{
    QPointer<QMenu> shown(&menu);
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [shown, menuDelay] {
        QTimer::singleShot(menuDelay, shown, [shown] {
            // Down or Up may have been pressed in the meantime: that entry stays.
            if (!shown || !shown->isVisible() || shown->activeAction() || !firstEntry(*shown))
                return;
            announceMenu(*shown);
            QTimer::singleShot(entryDelay, shown, [shown] {
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
        });
    }, Qt::SingleShotConnection);
}
}

void KeyboardMenus::highlightFirstEntry(QMenu& menu)
{
    announceThenHighlight(menu, highlightDelay);
}

namespace {
// Every way into a menu-bar menu says which menu opened: F10, Alt with its letter, Left or Right from
// the menu beside it, and the mouse. Qt makes the first entry active itself when the keyboard opened
// the menu, and reports it before the menu is shown; a screen reader then hears the window under the
// closing menu last and follows it. So the menu is announced once it shows, then its active entry
// again; a menu that F10 opened, which has none yet, gets its first entry.
class MenuBarSpeaker : public QObject
{
public:
    explicit MenuBarSpeaker(QMenuBar& bar)
        : QObject(&bar)
    {
        const QList<QAction*> actions = bar.actions();
        for (QAction* action : actions)
            follow(action);
        bar.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ActionAdded)
            follow(static_cast<QActionEvent*>(event)->action());
        return QObject::eventFilter(watched, event);
    }

private:
    void follow(QAction* action)
    {
        QMenu* menu = action ? action->menu() : nullptr;
        if (!menu || m_followed.contains(menu))
            return;
        m_followed.append(menu);
        QPointer<QMenu> shown(menu);
        connect(menu, &QMenu::aboutToShow, this, [shown] {
            // A click opens the menu with the button still down: it is announced, but no entry is
            // made active under the pointer.
            const bool byKeyboard = QGuiApplication::mouseButtons() == Qt::NoButton;
            QTimer::singleShot(0ms, shown, [shown, byKeyboard] {
                if (!shown || !shown->isVisible())
                    return;
                announceMenu(*shown);
                if (byKeyboard)
                    QTimer::singleShot(entryDelay, shown, [shown] { sayOrHighlightEntry(shown); });
            });
        });
    }

    static void sayOrHighlightEntry(const QPointer<QMenu>& shown)
    {
        if (!shown || !shown->isVisible())
            return;
        if (!shown->activeAction()) {
            QAction* first = firstEntry(*shown);
            if (!first)
                return;
            shown->setActiveAction(first);
        }
        announceActiveEntry(*shown);
        QAction* active = shown->activeAction();
        QTimer::singleShot(reannounceDelay, shown, [shown, active] {
            if (shown && shown->isVisible() && shown->activeAction() == active)
                announceActiveEntry(*shown);
        });
    }

    QList<QPointer<QMenu>> m_followed;
};
}

void KeyboardMenus::speakMenuBar(QMainWindow& window)
{
    QMenuBar* bar = window.menuBar();
    new MenuBarSpeaker(*bar);
    auto* key = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, bar, [bar] {
        const QList<QAction*> menus = bar->actions();
        for (QAction* action : menus) {
            if (action->isVisible() && action->isEnabled() && action->menu()) {
                bar->setActiveAction(action);
                return;
            }
        }
    });
}
