// What an item fetch asks for: every condition that is present must hold. The store runs it in
// SQL against saved rows and in memory against the context's unsaved changes.
#pragma once

#include "store/LocalItem.h"

#include <QUuid>

#include <optional>

struct ItemQuery
{
    enum class Order { stored, updatedAtNewestFirst };

    std::optional<QUuid> id;
    std::optional<QUuid> boardId;
    std::optional<qint64> minimumRevision;
    std::optional<bool> didSync;
    Order order = Order::stored;

    static ItemQuery withId(const QUuid& id)
    {
        ItemQuery query;
        query.id = id;
        return query;
    }
    static ItemQuery onBoard(const QUuid& boardId)
    {
        ItemQuery query;
        query.boardId = boardId;
        return query;
    }

    bool matches(const LocalItemFields& item) const
    {
        return (!id || item.id == *id) && (!boardId || item.boardId == *boardId)
            && (!minimumRevision || item.revision >= *minimumRevision) && (!didSync || item.didSync == *didSync);
    }
};
