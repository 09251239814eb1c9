// Checkpoint sync of one board. The client sends the last checkpoint it holds (a board revision)
// and its pending items; the service applies each pending item unless the service's copy is newer,
// then answers with every change after the checkpoint:
//   newItems       items that joined the board after the checkpoint (and still live),
//   modifiedItems  older items changed after the checkpoint, plus the service's copy of each
//                  refused pending item,
//   deletedItems   items deleted or moved away after the checkpoint, plus refused pending items
//                  that the service only knows as deleted or on another board,
//   conflictedItems the pending items that were refused: their revision is behind the service's,
//                  they target a deleted item, or their content cannot be stored,
//   latestCheckpoint the board revision after the sync.
// A checkpoint beyond the board's revision (the service lost data) is answered from 0.
// A request carries at most maxItemsPerSync pending items; a larger one is refused whole with 413
// "TOO_MANY_ITEMS", and the client sends its pending items in parts.
#pragma once

#include <QByteArray>
#include <QString>

class BoardService;
class Database;
class ItemService;
class ItemStore;
class JsonBody;
struct Account;

class SyncService
{
public:
    static constexpr int maxItemsPerSync = 1000;

    SyncService(Database& db, BoardService& boards, ItemStore& items, ItemService& itemService);

    // The answer as JSON text (see ApiResponse::ofContractJsonText).
    QByteArray sync(const Account& me, const QString& boardId, const JsonBody& body);

private:
    Database& m_db;
    BoardService& m_boards;
    ItemStore& m_items;
    ItemService& m_itemService;
};
