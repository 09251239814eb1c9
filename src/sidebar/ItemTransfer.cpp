#include "sidebar/ItemTransfer.h"

#include "domain/Ids.h"
#include "sidebar/TransferUuid.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

namespace {

TransferError itemTransferError(const QString& message)
{
    return {QStringLiteral("ItemTransfer"), -1, message};
}

QString itemIdKey()
{
    return QStringLiteral("itemId");
}

QString fromBoardIdKey()
{
    return QStringLiteral("fromBoardId");
}

std::expected<QUuid, TransferError> readId(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return std::unexpected(itemTransferError(QStringLiteral("The dragged item lacks \"%1\".").arg(key)));
    const std::optional<QUuid> id = value.isString() ? transferUuidFromText(value.toString()) : std::nullopt;
    if (!id)
        return std::unexpected(
            itemTransferError(QStringLiteral("The dragged item's \"%1\" is not an id.").arg(key)));
    return *id;
}

}

QString ItemTransfer::mimeType()
{
    return QStringLiteral("net.plenko.item-id");
}

QByteArray ItemTransfer::encoded() const
{
    const QJsonObject object {{itemIdKey(), uuidText(itemId)}, {fromBoardIdKey(), uuidText(fromBoardId)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::expected<ItemTransfer, TransferError> ItemTransfer::decode(const QByteArray& data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::unexpected(itemTransferError(QStringLiteral("The dragged data is not an item.")));
    const QJsonObject object = document.object();
    const std::expected<QUuid, TransferError> itemId = readId(object, itemIdKey());
    if (!itemId)
        return std::unexpected(itemId.error());
    const std::expected<QUuid, TransferError> fromBoardId = readId(object, fromBoardIdKey());
    if (!fromBoardId)
        return std::unexpected(fromBoardId.error());
    return ItemTransfer {*itemId, *fromBoardId};
}

QMimeData* ItemTransfer::toMimeData() const
{
    auto* mimeData = new QMimeData;
    writeTo(*mimeData);
    return mimeData;
}

void ItemTransfer::writeTo(QMimeData& mimeData) const
{
    mimeData.setData(mimeType(), encoded());
}

bool ItemTransfer::isOffered(const QMimeData* mimeData)
{
    return mimeData && mimeData->hasFormat(mimeType());
}

std::expected<ItemTransfer, TransferError> ItemTransfer::read(const QMimeData* mimeData)
{
    if (!isOffered(mimeData))
        return std::unexpected(itemTransferError(QStringLiteral("The dragged data holds no item.")));
    return decode(mimeData->data(mimeType()));
}
