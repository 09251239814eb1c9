#include "net/TrashRepository.h"

#include "domain/Ids.h"
#include "domain/ServiceDecoder.h"
#include "domain/WireConversions.h"
#include "net/Endpoint.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
QString trashPath(const QUuid& boardId, const QString& rest = {})
{
    return QStringLiteral("/api/boards/") + uuidText(boardId) + QStringLiteral("/trash") + rest;
}

std::expected<QList<Item>, QString> trashedItems(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject() || !document.object().value(QStringLiteral("items")).isArray())
        return std::unexpected(QStringLiteral("The trash answer holds no \"items\" array."));
    QList<Item> items;
    for (const QJsonValue& value : document.object().value(QStringLiteral("items")).toArray()) {
        const auto remote = remoteItemFromJson(value.toObject());
        if (!remote)
            return std::unexpected(remote.error());
        Item item = itemFromRemote(*remote);
        if (!item.deletedAt)
            return std::unexpected(QStringLiteral("A trashed item has no \"deletedAt\"."));
        items.append(item);
    }
    return items;
}
}

QCoro::Task<ApiResult<QList<Item>>> TrashRepository::fetchTrash(QUuid boardId) const
{
    const ApiResult<ServiceResponse> response = co_await sendEndpointRequest(m_client, {"GET", trashPath(boardId)});
    if (!response)
        co_return std::unexpected(response.error());
    if (response->status < 200 || response->status > 299) {
        // The client turns a refusal into its error as it does for every endpoint.
        const auto refused = m_client->decode<ItemResponse>(*response);
        co_return std::unexpected(refused ? ApiError {} : refused.error());
    }
    auto items = trashedItems(response->body);
    if (!items)
        co_return std::unexpected(
            ApiError::make(response->status, QStringLiteral("Decoding Failed"), items.error(), response->path()));
    co_return *items;
}

QCoro::Task<ApiResult<ItemResponse>> TrashRepository::restore(QUuid boardId, QUuid itemId) const
{
    return fetchRecord<ItemResponse>(m_client,
        {"POST", trashPath(boardId, QLatin1Char('/') + uuidText(itemId) + QStringLiteral("/restore")), {}, true,
            QByteArray("{}")});
}

QCoro::Task<ApiResult<void>> TrashRepository::deletePermanently(QUuid boardId, QUuid itemId) const
{
    return sendIgnoringBody(m_client, {"DELETE", trashPath(boardId, QLatin1Char('/') + uuidText(itemId))});
}

QCoro::Task<ApiResult<void>> TrashRepository::empty(QUuid boardId) const
{
    return sendIgnoringBody(m_client, {"DELETE", trashPath(boardId)});
}
