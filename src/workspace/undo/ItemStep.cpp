#include "workspace/undo/ItemStep.h"

bool sameUserState(const std::optional<Item>& left, const std::optional<Item>& right)
{
    if (!left || !right)
        return left.has_value() == right.has_value();
    return left->boardId == right->boardId && left->content == right->content && left->status == right->status
        && left->assignee == right->assignee && left->isArchived() == right->isArchived();
}

QString editStepName(const Item& before, const Item& after)
{
    const bool text = before.content != after.content;
    const bool column = before.status != after.status;
    const bool assignee = before.assignee != after.assignee;
    if (column && !text && !assignee)
        return QStringLiteral("Move to ") + itemStatusTitle(after.status);
    if (assignee && !text && !column)
        return after.assignee ? QStringLiteral("Assign Item") : QStringLiteral("Unassign Item");
    return QStringLiteral("Edit Item");
}
