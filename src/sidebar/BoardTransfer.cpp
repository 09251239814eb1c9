#include "sidebar/BoardTransfer.h"

#include "domain/Ids.h"
#include "sidebar/TransferUuid.h"

#include <QMimeData>

namespace {

TransferError boardTransferError(const QString& message)
{
    return {QStringLiteral("BoardTransfer"), -1, message};
}

}

QString BoardTransfer::mimeType()
{
    return QStringLiteral("net.plenko.board-id");
}

QByteArray BoardTransfer::encoded() const
{
    return uuidText(id).toUtf8();
}

std::expected<BoardTransfer, TransferError> BoardTransfer::decode(const QByteArray& data)
{
    const std::optional<QUuid> id = transferUuidFromText(QString::fromUtf8(data));
    if (!id)
        return std::unexpected(boardTransferError(QStringLiteral("The dragged data is not a board id.")));
    return BoardTransfer {*id};
}

QMimeData* BoardTransfer::toMimeData() const
{
    auto* mimeData = new QMimeData;
    writeTo(*mimeData);
    return mimeData;
}

void BoardTransfer::writeTo(QMimeData& mimeData) const
{
    mimeData.setData(mimeType(), encoded());
}

bool BoardTransfer::isOffered(const QMimeData* mimeData)
{
    return mimeData && mimeData->hasFormat(mimeType());
}

std::expected<BoardTransfer, TransferError> BoardTransfer::read(const QMimeData* mimeData)
{
    if (!isOffered(mimeData))
        return std::unexpected(boardTransferError(QStringLiteral("The dragged data holds no board.")));
    return decode(mimeData->data(mimeType()));
}
