#include "app/ItemCardMenu.h"

ItemCardMenuEntry ItemCardMenu::entry(ItemCardAction action)
{
    switch (action) {
    case ItemCardAction::moveToTodo:
        return { action, QStringLiteral("Todo"), QStringLiteral("pause.circle") };
    case ItemCardAction::moveToInProgress:
        return { action, QStringLiteral("In Progress"), QStringLiteral("scope") };
    case ItemCardAction::moveToDone:
        return { action, QStringLiteral("Done"), QStringLiteral("checkmark.circle.fill") };
    case ItemCardAction::archive:
        return { action, QStringLiteral("Archive"), QStringLiteral("archivebox") };
    case ItemCardAction::unarchive:
        return { action, QStringLiteral("Unarchive"), QStringLiteral("archivebox.fill") };
    case ItemCardAction::improveText:
        return { action, QStringLiteral("Improve Text"), QStringLiteral("sparkles") };
    case ItemCardAction::edit:
        return { action, QStringLiteral("Edit"), QStringLiteral("pencil") };
    case ItemCardAction::remove:
        return { action, QStringLiteral("Delete"), QStringLiteral("trash") };
    case ItemCardAction::toggleDetails:
        return { action, QStringLiteral("Show details"), QStringLiteral("info.circle") };
    case ItemCardAction::copyContent:
        return { action, QStringLiteral("Copy content"), QStringLiteral("doc.on.doc") };
    }
    return { action, {}, {} };
}

std::optional<ItemStatus> ItemCardMenu::targetStatus(ItemCardAction action)
{
    switch (action) {
    case ItemCardAction::moveToTodo:
        return ItemStatus::todo;
    case ItemCardAction::moveToInProgress:
        return ItemStatus::inProgress;
    case ItemCardAction::moveToDone:
        return ItemStatus::done;
    default:
        return std::nullopt;
    }
}

QList<ItemCardMenuEntry> ItemCardMenu::entries(const Item& item, const std::optional<Board>& board, bool isEditing)
{
    QList<ItemCardMenuEntry> result;
    // An archived board is read-only: no status, archive, improvement or edit entries.
    const bool boardActive = !board || board->isActive;
    if (boardActive) {
        if (!item.isArchived()) {
            for (const ItemCardAction action :
                { ItemCardAction::moveToTodo, ItemCardAction::moveToInProgress, ItemCardAction::moveToDone }) {
                if (targetStatus(action) != item.status)
                    result << entry(action);
            }
        }
        if (item.status == ItemStatus::done && !item.isArchived())
            result << entry(ItemCardAction::archive);
        if (item.isArchived())
            result << entry(ItemCardAction::unarchive);
        // The service rewrites the text, so only items of cloud boards can be improved.
        if (!isEditing && !item.isArchived() && board && board->syncWithServer)
            result << entry(ItemCardAction::improveText);
        if (!isEditing)
            result << entry(ItemCardAction::edit);
    }
    result << entry(ItemCardAction::remove) << entry(ItemCardAction::toggleDetails) << entry(ItemCardAction::copyContent);
    return result;
}
