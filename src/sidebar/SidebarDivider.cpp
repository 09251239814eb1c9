#include "sidebar/SidebarDivider.h"

#include <QJsonObject>

SidebarDivider SidebarDivider::make()
{
    return {QUuid::createUuid(), SidebarDividerColor::subtleGray};
}

QJsonValue JsonCodec<SidebarDivider>::encode(const SidebarDivider& divider)
{
    return QJsonObject {
        {QStringLiteral("id"), JsonCodec<QUuid>::encode(divider.id)},
        {QStringLiteral("color"), JsonCodec<SidebarDividerColor>::encode(divider.color)},
    };
}

std::optional<SidebarDivider> JsonCodec<SidebarDivider>::decode(const QJsonValue& json)
{
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject object = json.toObject();
    const std::optional<QUuid> id = JsonCodec<QUuid>::decode(object.value(QStringLiteral("id")));
    const std::optional<SidebarDividerColor> color
        = JsonCodec<SidebarDividerColor>::decode(object.value(QStringLiteral("color")));
    if (!id || !color)
        return std::nullopt;
    return SidebarDivider {*id, *color};
}
