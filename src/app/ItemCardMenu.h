// Which context-menu entries an item card offers, with their titles and symbols, in menu order.
#pragma once

#include "domain/Board.h"
#include "domain/Item.h"

#include <QList>
#include <QString>

enum class ItemCardAction { moveToTodo, moveToInProgress, moveToDone, archive, unarchive, improveText, edit, remove,
    toggleDetails, copyContent };

struct ItemCardMenuEntry
{
    ItemCardAction action;
    QString title;
    QString symbol;
};

class ItemCardMenu
{
public:
    // `board` is the item's board as the workspace holds it (absent when it is not found);
    // `isEditing` is whether this card is the one being edited.
    static QList<ItemCardMenuEntry> entries(const Item& item, const std::optional<Board>& board, bool isEditing);
    static ItemCardMenuEntry entry(ItemCardAction action);
    static std::optional<ItemStatus> targetStatus(ItemCardAction action);
};
