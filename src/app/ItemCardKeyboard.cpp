#include "app/ItemCardKeyboard.h"

#include "app/ItemCardView.h"
#include "app/KeyboardShortcuts.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>

#include <algorithm>

ItemCardKeyboard::ItemCardKeyboard(ItemCardView& card)
    : QObject(&card)
    , m_card(card)
{
    card.installEventFilter(this);
}

bool ItemCardKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    // Keys the editor or a button of the card left alone reach the card too; they are not its to take.
    if (watched != &m_card || !m_card.hasFocus())
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Ctrl+C copies the item, not whatever the Edit menu would.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (actionForKey(*key) || QKeySequence(key->keyCombination()) == KeyboardShortcuts::cardMenu) {
            event->accept();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && keyPressed(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return false;
}

bool ItemCardKeyboard::keyPressed(const QKeyEvent& event)
{
    if (QKeySequence(event.keyCombination()) == KeyboardShortcuts::cardMenu) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(16, 16), m_card.mapToGlobal(QPoint(16, 16)));
        QApplication::sendEvent(&m_card, &menu);
        return true;
    }
    if (event.modifiers() == Qt::NoModifier && (event.key() == Qt::Key_Up || event.key() == Qt::Key_Down)) {
        Q_EMIT m_card.neighbourRequested(event.key() == Qt::Key_Up ? -1 : 1);
        return true;
    }
    if (const std::optional<ItemCardAction> action = actionForKey(event)) {
        m_card.trigger(*action);
        return true;
    }
    return false;
}

std::optional<ItemCardAction> ItemCardKeyboard::actionForKey(const QKeyEvent& event) const
{
    const QKeySequence pressed(event.keyCombination());
    const auto offered = [this](ItemCardAction action) -> std::optional<ItemCardAction> {
        const QList<ItemCardMenuEntry> entries = m_card.menuEntries();
        const bool found = std::any_of(
            entries.begin(), entries.end(), [action](const ItemCardMenuEntry& entry) { return entry.action == action; });
        return found ? std::optional(action) : std::nullopt;
    };
    const int key = event.key();
    if (event.modifiers() == Qt::NoModifier || event.modifiers() == Qt::KeypadModifier) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return offered(ItemCardAction::edit);
        if (key == Qt::Key_Space)
            return offered(ItemCardAction::toggleDetails);
    }
    if (pressed == KeyboardShortcuts::cardEdit)
        return offered(ItemCardAction::edit);
    if (pressed == KeyboardShortcuts::cardDelete)
        return offered(ItemCardAction::remove);
    if (pressed == KeyboardShortcuts::cardCopy)
        return offered(ItemCardAction::copyContent);
    if (pressed == KeyboardShortcuts::cardMoveToTodo)
        return offered(ItemCardAction::moveToTodo);
    if (pressed == KeyboardShortcuts::cardMoveToInProgress)
        return offered(ItemCardAction::moveToInProgress);
    if (pressed == KeyboardShortcuts::cardMoveToDone)
        return offered(ItemCardAction::moveToDone);
    if (pressed == KeyboardShortcuts::cardArchive) {
        if (auto archive = offered(ItemCardAction::archive))
            return archive;
        return offered(ItemCardAction::unarchive);
    }
    return std::nullopt;
}
