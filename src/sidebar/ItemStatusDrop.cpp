#include "sidebar/ItemStatusDrop.h"

QList<ItemTransfer> droppedItems(const QMimeData* mimeData)
{
    const std::expected<ItemTransfer, TransferError> transfer = ItemTransfer::read(mimeData);
    if (!transfer)
        return {};
    return {*transfer};
}

std::optional<ItemStatusMove> itemDropOnStatusTab(const QList<ItemTransfer>& payloads, ItemStatus tabStatus)
{
    if (payloads.isEmpty())
        return std::nullopt;
    return ItemStatusMove {payloads.first(), tabStatus};
}
