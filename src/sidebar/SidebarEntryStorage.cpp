#include "sidebar/SidebarEntryStorage.h"

#include <QJsonObject>

namespace {

QString typeKey()
{
    return QStringLiteral("type");
}

QString valueKey()
{
    return QStringLiteral("value");
}

}

SidebarEntryStorage SidebarEntryStorage::from(const SidebarEntry& entry)
{
    if (const Board* carried = entry.board())
        return board(carried->id);
    return divider(*entry.divider());
}

QJsonValue JsonCodec<SidebarEntryStorage>::encode(const SidebarEntryStorage& storage)
{
    if (const QUuid* boardId = storage.boardId())
        return QJsonObject {
            {typeKey(), QStringLiteral("board")}, {valueKey(), JsonCodec<QUuid>::encode(*boardId)}};
    return QJsonObject {{typeKey(), QStringLiteral("divider")},
        {valueKey(), JsonCodec<SidebarDivider>::encode(*storage.dividerValue())}};
}

std::optional<SidebarEntryStorage> JsonCodec<SidebarEntryStorage>::decode(const QJsonValue& json)
{
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject object = json.toObject();
    const QJsonValue type = object.value(typeKey());
    const QJsonValue value = object.value(valueKey());
    if (type == QJsonValue(QStringLiteral("board"))) {
        if (const std::optional<QUuid> boardId = JsonCodec<QUuid>::decode(value))
            return SidebarEntryStorage::board(*boardId);
        return std::nullopt;
    }
    if (type == QJsonValue(QStringLiteral("divider"))) {
        if (const std::optional<SidebarDivider> divider = JsonCodec<SidebarDivider>::decode(value))
            return SidebarEntryStorage::divider(*divider);
    }
    return std::nullopt;
}
