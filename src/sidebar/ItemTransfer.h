// The payload of a dragged item card: the item's id and the board it is dragged from, under the
// application's own content type "net.plenko.item-id" as {"itemId": "<UUID>", "fromBoardId": "<UUID>"}.
#pragma once

#include "sidebar/TransferError.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUuid>
#include <expected>

class QMimeData;

struct ItemTransfer
{
    QUuid itemId;
    QUuid fromBoardId;

    static QString mimeType();

    QByteArray encoded() const;
    static std::expected<ItemTransfer, TransferError> decode(const QByteArray& data);

    QMimeData* toMimeData() const;
    void writeTo(QMimeData& mimeData) const;

    static bool isOffered(const QMimeData* mimeData);
    // A missing format, bytes that are not such a JSON object, a missing key or a key that is not
    // UUID text give an error of domain "ItemTransfer".
    static std::expected<ItemTransfer, TransferError> read(const QMimeData* mimeData);

    friend bool operator==(const ItemTransfer&, const ItemTransfer&) = default;
};

inline size_t qHash(const ItemTransfer& transfer, size_t seed = 0)
{
    return qHashMulti(seed, transfer.itemId, transfer.fromBoardId);
}
