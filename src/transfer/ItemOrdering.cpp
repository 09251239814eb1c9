#include "transfer/ItemOrdering.h"

#include <algorithm>

QList<Item> itemsInBoardOrder(QList<Item> items)
{
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (a.status != b.status)
            return a.status < b.status;
        return a.order < b.order;
    });
    return items;
}
