// Where one list item lies, first in the parsed text and then in the flattened string.
#pragma once

#include <QtGlobal>

struct ListItemInfo
{
    qsizetype start = 0; // positions in the parsed text
    qsizetype end = 0;
    int ordinal = 1;
    int depth = 1;       // number of enclosing lists
    bool isOrdered = false;
    int containerID = 0; // identity of the innermost list
    int itemID = 0;      // identity of the list item

    friend bool operator==(const ListItemInfo&, const ListItemInfo&) = default;
};

struct ListItemLayout
{
    ListItemInfo info;
    qsizetype location = 0; // the item's range in the flattened string, UTF-16 units
    qsizetype length = 0;
    bool isFirstInList = false;
};
