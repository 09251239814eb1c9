// A cloud board's trash on the service: the items deleted from it in the last 30 days, restoring
// one, deleting one permanently, and emptying it.
#pragma once

#include "domain/Item.h"
#include "net/NetworkService.h"

#include <QUuid>

class TrashRepository
{
public:
    explicit TrashRepository(NetworkService* client)
        : m_client(client)
    {
    }

    // Last deleted first; each has deletedAt set.
    QCoro::Task<ApiResult<QList<Item>>> fetchTrash(QUuid boardId) const;
    QCoro::Task<ApiResult<ItemResponse>> restore(QUuid boardId, QUuid itemId) const;
    QCoro::Task<ApiResult<void>> deletePermanently(QUuid boardId, QUuid itemId) const;
    QCoro::Task<ApiResult<void>> empty(QUuid boardId) const;

private:
    NetworkService* m_client;
};
