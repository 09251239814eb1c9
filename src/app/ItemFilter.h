// The main window's item filters: the search text and the assignee filter. An item is shown only
// when it passes both.
#pragma once

#include "domain/Item.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

struct AssigneeFilter
{
    std::optional<QUuid> memberId;
    bool withoutAssignee = false;

    bool isActive() const { return withoutAssignee || memberId.has_value(); }
    friend bool operator==(const AssigneeFilter&, const AssigneeFilter&) = default;
};

class ItemFilter
{
public:
    // Leading and trailing white space and line breaks are ignored; nothing left lets every item pass;
    // otherwise the content must contain the text, case-insensitively in the user's locale.
    static bool passesSearch(const Item& item, const QString& searchText);
    static bool passesAssignee(const Item& item, const AssigneeFilter& filter);
    static bool passes(const Item& item, const QString& searchText, const AssigneeFilter& filter)
    {
        return passesSearch(item, searchText) && passesAssignee(item, filter);
    }
};
