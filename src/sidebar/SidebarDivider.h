// A coloured divider between groups of boards in a sidebar section. Its id is its identity.
#pragma once

#include "sidebar/SidebarDividerColor.h"
#include "store/JsonCodec.h"

#include <QUuid>

struct SidebarDivider
{
    QUuid id;
    SidebarDividerColor color = SidebarDividerColor::subtleGray;

    // A fresh divider as "Add Divider Above/Below" makes it: a new random id, subtle grey.
    static SidebarDivider make();

    friend bool operator==(const SidebarDivider&, const SidebarDivider&) = default;
};

// {"id": "<UUID>", "color": "<colour text>"}
template<> struct JsonCodec<SidebarDivider>
{
    static QJsonValue encode(const SidebarDivider& divider);
    static std::optional<SidebarDivider> decode(const QJsonValue& json);
};
