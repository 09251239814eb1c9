// The stored form of one sidebar entry: a board by its id alone, or the whole divider. A section's
// layout is an array of these under "sidebar.layout." + scope.
#pragma once

#include "sidebar/SidebarDivider.h"
#include "sidebar/SidebarEntry.h"
#include "store/JsonCodec.h"

#include <QUuid>
#include <variant>

class SidebarEntryStorage
{
public:
    static SidebarEntryStorage board(const QUuid& boardId) { return SidebarEntryStorage(boardId); }
    static SidebarEntryStorage divider(const SidebarDivider& divider) { return SidebarEntryStorage(divider); }
    static SidebarEntryStorage from(const SidebarEntry& entry);

    bool isBoard() const { return std::holds_alternative<QUuid>(m_value); }
    const QUuid* boardId() const { return std::get_if<QUuid>(&m_value); }
    const SidebarDivider* dividerValue() const { return std::get_if<SidebarDivider>(&m_value); }

    // Same case and same payload: a board id never equals a divider with that id.
    friend bool operator==(const SidebarEntryStorage&, const SidebarEntryStorage&) = default;

private:
    explicit SidebarEntryStorage(std::variant<QUuid, SidebarDivider> value)
        : m_value(std::move(value))
    {
    }

    std::variant<QUuid, SidebarDivider> m_value;
};

// {"type": "board", "value": "<UUID>"} or {"type": "divider", "value": {"id": …, "color": …}}.
// Any other type, or a value of the wrong shape, does not decode.
template<> struct JsonCodec<SidebarEntryStorage>
{
    static QJsonValue encode(const SidebarEntryStorage& storage);
    static std::optional<SidebarEntryStorage> decode(const QJsonValue& json);
};
