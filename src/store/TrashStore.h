// Persistence of the local trash: items the user deleted from local boards, with the time they were
// deleted. Written at once in their own statements, like conflict copies, since a trashed item is
// the only place its text still lives.
#pragma once

#include "domain/Item.h"
#include "store/StoreContext.h"
#include "store/StoreError.h"

#include <QDateTime>
#include <QList>
#include <QUuid>

#include <expected>

class TrashStore
{
public:
    using Result = std::expected<void, StoreError>;

    // The board's trashed items, last deleted first; each has deletedAt set.
    static std::expected<QList<Item>, StoreError> fetchForBoard(const QUuid& boardId, StoreContext& context);
    // Keeps the item (deletedAt set) in place of any trashed item with its id.
    static Result insert(const Item& item, StoreContext& context);
    static Result remove(const QUuid& itemId, StoreContext& context);
    static Result removeBoard(const QUuid& boardId, StoreContext& context);
    // Removes everything deleted before `cutoff`.
    static Result removeDeletedBefore(const QDateTime& cutoff, StoreContext& context);

private:
    static Result runWithId(const QString& sql, const QUuid& id, const QString& doing, StoreContext& context);
};
