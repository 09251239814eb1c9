// The keys a focused item card answers: its context menu (the menu key, Shift+F10), Up and Down to
// the neighbouring cards, and the card's own shortcuts for edit, details, copy, status, archive and
// delete, each only while the card's menu offers that action. Installed on the card as an event
// filter, so the card's keys win over the window's shortcuts while it has the focus.
#pragma once

#include "app/ItemCardMenu.h"

#include <QObject>

#include <optional>

class ItemCardView;
class QKeyEvent;

class ItemCardKeyboard : public QObject
{
    Q_OBJECT

public:
    explicit ItemCardKeyboard(ItemCardView& card);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The card action a key asks for, if the card offers it now.
    std::optional<ItemCardAction> actionForKey(const QKeyEvent& event) const;
    bool keyPressed(const QKeyEvent& event);

    ItemCardView& m_card;
};
