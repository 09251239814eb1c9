#include "app/ItemFilter.h"

#include <QLocale>

bool ItemFilter::passesSearch(const Item& item, const QString& searchText)
{
    const QString needle = searchText.trimmed();
    if (needle.isEmpty())
        return true;
    const QLocale locale;
    return locale.toLower(item.content).contains(locale.toLower(needle));
}

bool ItemFilter::passesAssignee(const Item& item, const AssigneeFilter& filter)
{
    if (filter.withoutAssignee)
        return !item.assignee.has_value();
    if (filter.memberId)
        return item.assignee == filter.memberId;
    return true;
}
