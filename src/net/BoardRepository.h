// The board, member and item operations of the service. Ids travel as upper-case UUID text.
#pragma once

#include "net/NetworkService.h"

#include <QUuid>

class BoardRepository
{
public:
    explicit BoardRepository(NetworkService* client)
        : m_client(client)
    {
    }

    QCoro::Task<ApiResult<QList<RemoteBoard>>> fetchBoards() const;
    QCoro::Task<ApiResult<RemoteBoardResponse>> fetchBoard(const QUuid& boardId) const;
    QCoro::Task<ApiResult<RemoteBoard>> createBoard(const QString& name) const;
    QCoro::Task<ApiResult<void>> renameBoard(const QUuid& boardId, const QString& name) const;
    QCoro::Task<ApiResult<void>> updateBoardInfo(const QUuid& boardId, const QString& info) const;
    // false archives the board, true restores it.
    QCoro::Task<ApiResult<void>> setBoardActive(const QUuid& boardId, bool active) const;
    QCoro::Task<ApiResult<void>> deleteBoard(const QUuid& boardId) const;
    QCoro::Task<ApiResult<SyncResponse>> syncBoard(const QUuid& boardId, const SyncRequest& request) const;
    // The code travels only in the query.
    QCoro::Task<ApiResult<RemoteBoard>> joinBoard(const QString& code) const;
    QCoro::Task<ApiResult<InvitationResponse>> createInvitation(const QUuid& boardId) const;
    // Also how a member leaves a board: their own id.
    QCoro::Task<ApiResult<void>> removeMember(const QUuid& boardId, const QUuid& userId) const;
    QCoro::Task<ApiResult<void>> transferOwnership(const QUuid& boardId, const QUuid& newOwnerId) const;
    // The client chooses the item's id.
    QCoro::Task<ApiResult<ItemResponse>> addItem(const QUuid& boardId, const QUuid& itemId,
        const UpsertItemRequest& request) const;
    QCoro::Task<ApiResult<ItemResponse>> updateItem(const QUuid& boardId, const QUuid& itemId,
        const UpdateItemRequest& request) const;
    QCoro::Task<ApiResult<ItemResponse>> deleteItem(const QUuid& boardId, const QUuid& itemId) const;
    QCoro::Task<ApiResult<ImproveTextResponse>> improveText(const QUuid& boardId, const QUuid& itemId,
        const QString& content) const;

private:
    NetworkService* m_client;
};
