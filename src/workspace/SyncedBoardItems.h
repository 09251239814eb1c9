// The shown board's items as a sync writes them, gathered step by step so that the sync's last
// turn only merges them into the board instead of converting everything at once. Each record is
// taken as it is when added; adding it again (a later step, a change made meanwhile, its final
// unsent mark) replaces what was taken.
#pragma once

#include "domain/Board.h"
#include "domain/Item.h"

#include <QHash>
#include <QList>
#include <QUuid>

#include <vector>

class LocalItem;

class SyncedBoardItems
{
public:
    explicit SyncedBoardItems(QUuid boardId)
        : m_boardId(boardId)
    {
    }

    // Room for this many, so that no step has to move all gathered so far to grow, and the last
    // turn writes into memory the steps already touched.
    void reserve(qsizetype count);
    void add(const LocalItem& record);
    // The item is no longer in the store.
    void remove(const QUuid& id);

    // The board's items with these taken in: a written item replaces the board's copy, a new one
    // joins, one deleted or moved away leaves; then newest update first, as a read from the store
    // gives them (ties in the board's order, new ones after it in the order added). Empties this.
    Board mergedInto(Board board);

private:
    QUuid m_boardId;
    // In the order first added; sorted in place by mergedInto and handed to the board.
    QList<Item> m_items;
    std::vector<bool> m_shown;
    QHash<QUuid, qsizetype> m_index;
};
