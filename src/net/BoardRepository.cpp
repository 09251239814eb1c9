#include "net/BoardRepository.h"

#include "domain/Ids.h"
#include "domain/WireEncoder.h"
#include "net/Endpoint.h"

namespace {
QString boardPath(const QUuid& boardId, const QString& rest = {})
{
    return QStringLiteral("/api/boards/") + uuidText(boardId) + rest;
}

QString itemPath(const QUuid& boardId, const QUuid& itemId, const QString& rest = {})
{
    return boardPath(boardId, QStringLiteral("/items/") + uuidText(itemId) + rest);
}

EndpointRequest withJson(QByteArray method, QString path, QByteArray body)
{
    return { std::move(method), std::move(path), {}, true, std::move(body) };
}
}

QCoro::Task<ApiResult<QList<RemoteBoard>>> BoardRepository::fetchBoards() const
{
    return fetchRecord<QList<RemoteBoard>>(m_client, { "GET", QStringLiteral("/api/boards") });
}

QCoro::Task<ApiResult<RemoteBoardResponse>> BoardRepository::fetchBoard(const QUuid& boardId) const
{
    return fetchRecord<RemoteBoardResponse>(m_client, { "GET", boardPath(boardId) });
}

QCoro::Task<ApiResult<RemoteBoard>> BoardRepository::createBoard(const QString& name) const
{
    RemoteBoardRequest body;
    body.name = name;
    return fetchRecord<RemoteBoard>(m_client, withJson("POST", QStringLiteral("/api/boards"), encodeBody(body)));
}

QCoro::Task<ApiResult<void>> BoardRepository::renameBoard(const QUuid& boardId, const QString& name) const
{
    RemoteBoardRequest body;
    body.name = name;
    return sendIgnoringBody(m_client, withJson("PATCH", boardPath(boardId), encodeBody(body)));
}

QCoro::Task<ApiResult<void>> BoardRepository::updateBoardInfo(const QUuid& boardId, const QString& info) const
{
    RemoteBoardRequest body;
    body.info = info;
    return sendIgnoringBody(m_client, withJson("PATCH", boardPath(boardId), encodeBody(body)));
}

QCoro::Task<ApiResult<void>> BoardRepository::setBoardActive(const QUuid& boardId, bool active) const
{
    RemoteBoardRequest body;
    body.active = active;
    return sendIgnoringBody(m_client, withJson("PATCH", boardPath(boardId), encodeBody(body)));
}

QCoro::Task<ApiResult<void>> BoardRepository::deleteBoard(const QUuid& boardId) const
{
    return sendIgnoringBody(m_client, { "DELETE", boardPath(boardId) });
}

QCoro::Task<ApiResult<SyncResponse>> BoardRepository::syncBoard(const QUuid& boardId, const SyncRequest& request) const
{
    return fetchRecordInBackground<SyncResponse>(
        m_client, withJson("POST", boardPath(boardId, QStringLiteral("/sync")), encodeBody(request)));
}

QCoro::Task<ApiResult<RemoteBoard>> BoardRepository::joinBoard(const QString& code) const
{
    return fetchRecord<RemoteBoard>(m_client,
        { "PATCH", QStringLiteral("/api/boards/invitations"), { { QStringLiteral("code"), code } } });
}

QCoro::Task<ApiResult<InvitationResponse>> BoardRepository::createInvitation(const QUuid& boardId) const
{
    return fetchRecord<InvitationResponse>(m_client, { "POST", boardPath(boardId, QStringLiteral("/invitations")) });
}

QCoro::Task<ApiResult<void>> BoardRepository::removeMember(const QUuid& boardId, const QUuid& userId) const
{
    return sendIgnoringBody(m_client,
        { "DELETE", boardPath(boardId, QStringLiteral("/users")), { { QStringLiteral("userId"), uuidText(userId) } } });
}

QCoro::Task<ApiResult<void>> BoardRepository::transferOwnership(const QUuid& boardId, const QUuid& newOwnerId) const
{
    return sendIgnoringBody(m_client, withJson("POST", boardPath(boardId, QStringLiteral("/users/transfer-ownership")),
                                          encodeBody(ChangeBoardOwnerRequest { newOwnerId })));
}

QCoro::Task<ApiResult<ItemResponse>> BoardRepository::addItem(const QUuid& boardId, const QUuid& itemId,
    const UpsertItemRequest& request) const
{
    return fetchRecord<ItemResponse>(m_client, withJson("POST", itemPath(boardId, itemId), encodeBody(request)));
}

QCoro::Task<ApiResult<ItemResponse>> BoardRepository::updateItem(const QUuid& boardId, const QUuid& itemId,
    const UpdateItemRequest& request) const
{
    return fetchRecord<ItemResponse>(m_client, withJson("PATCH", itemPath(boardId, itemId), encodeBody(request)));
}

QCoro::Task<ApiResult<ItemResponse>> BoardRepository::deleteItem(const QUuid& boardId, const QUuid& itemId) const
{
    return fetchRecord<ItemResponse>(m_client, { "DELETE", itemPath(boardId, itemId) });
}

QCoro::Task<ApiResult<ImproveTextResponse>> BoardRepository::improveText(const QUuid& boardId, const QUuid& itemId,
    const QString& content) const
{
    return fetchRecord<ImproveTextResponse>(m_client,
        withJson("POST", itemPath(boardId, itemId, QStringLiteral("/improve")), encodeBody(ImproveTextRequest { content })));
}
