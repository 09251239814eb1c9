// What a board fetch asks for: every condition that is present must hold. Soft-deleted boards are
// returned like any other; hiding them is LocalDataService's rule.
#pragma once

#include "store/LocalBoard.h"

#include <QUuid>

#include <optional>

struct BoardQuery
{
    std::optional<QUuid> id;
    std::optional<bool> syncWithServer;

    static BoardQuery withId(const QUuid& id)
    {
        BoardQuery query;
        query.id = id;
        return query;
    }
    static BoardQuery cloudBoards()
    {
        BoardQuery query;
        query.syncWithServer = true;
        return query;
    }

    bool matches(const LocalBoardFields& board) const
    {
        return (!id || board.id == *id) && (!syncWithServer || board.syncWithServer == *syncWithServer);
    }
};
