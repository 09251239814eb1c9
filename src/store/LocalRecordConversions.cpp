#include "store/LocalRecordConversions.h"

LocalBoardFields localBoardFields(const Board& board)
{
    LocalBoardFields fields;
    fields.id = board.id;
    fields.name = board.name;
    fields.createdAt = board.createdAt;
    fields.updatedAt = board.updatedAt;
    fields.syncWithServer = board.syncWithServer;
    fields.createdBy = board.createdBy;
    fields.info = board.info;
    fields.isActive = board.isActive;
    fields.revision = board.revision;
    return fields;
}

std::shared_ptr<LocalBoard> makeLocalBoard(const Board& board)
{
    return std::make_shared<LocalBoard>(localBoardFields(board));
}

LocalItemFields localItemFields(const Item& item)
{
    LocalItemFields fields;
    fields.id = item.id;
    fields.content = item.content;
    fields.status = item.status;
    fields.boardId = item.boardId;
    fields.createdBy = item.createdBy;
    fields.assignee = item.assignee;
    fields.author = item.author;
    fields.createdAt = item.createdAt;
    fields.order = item.order;
    fields.updatedAt = item.updatedAt;
    fields.deletedAt = item.deletedAt;
    fields.archivedAt = item.archivedAt;
    fields.revision = item.revision;
    fields.didSync = item.didSync;
    return fields;
}

std::shared_ptr<LocalItem> makeLocalItem(const Item& item)
{
    return std::make_shared<LocalItem>(localItemFields(item));
}

Board toBoard(const LocalBoard& record)
{
    Board board;
    board.id = record.id();
    board.name = record.name();
    board.createdAt = record.createdAt();
    board.updatedAt = record.updatedAt();
    board.syncWithServer = record.syncWithServer();
    board.createdBy = record.createdBy();
    board.info = record.info();
    board.isActive = record.isActive();
    board.revision = record.revision();
    return board;
}

Item toItem(const LocalItem& record)
{
    return toItem(record.fields());
}

Item toItem(const LocalItemFields& fields)
{
    Item item;
    item.id = fields.id;
    item.content = fields.content;
    item.status = fields.status;
    item.order = fields.order;
    item.boardId = fields.boardId;
    item.createdBy = fields.createdBy;
    item.assignee = fields.assignee;
    item.author = fields.author;
    item.createdAt = fields.createdAt;
    item.updatedAt = fields.updatedAt;
    item.deletedAt = fields.deletedAt;
    item.archivedAt = fields.archivedAt;
    item.revision = fields.revision;
    item.didSync = fields.didSync;
    return item;
}
