// One step of the item history: the items one user operation touched, each as it was before and
// after (absent = not on any board, deleted or never added). Undo brings every item from `after`
// back to `before`, redo the other way; a step is the same whichever way it runs.
#pragma once

#include "domain/Item.h"

#include <QList>
#include <QString>

#include <optional>

struct ItemChange
{
    std::optional<Item> before;
    std::optional<Item> after;
};

struct ItemStep
{
    QString name; // "Move to Done": the menu says "Undo Move to Done"
    QList<ItemChange> changes;
};

// Whether two states of an item agree on everything the user can change (presence, board, text,
// column, assignee, archive). Revisions and times are left out: a sync that acknowledges a pending
// change moves them without changing what the user sees.
bool sameUserState(const std::optional<Item>& left, const std::optional<Item>& right);

// The step's name for an edit from `before` to `after` made in the item card.
QString editStepName(const Item& before, const Item& after);
