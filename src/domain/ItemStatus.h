// The column an item is in. Travels and is stored as "TODO", "IN_PROGRESS" or "DONE".
#pragma once

#include <QString>

#include <array>
#include <optional>

enum class ItemStatus { todo, inProgress, done };

// Every case in enumeration order: the order in which the three columns are listed.
inline constexpr std::array<ItemStatus, 3> allItemStatuses { ItemStatus::todo, ItemStatus::inProgress,
    ItemStatus::done };

QString itemStatusText(ItemStatus status);

// The column's title as people read it: "Todo", "In Progress", "Done".
QString itemStatusTitle(ItemStatus status);

// Exactly the three texts, case-sensitive; anything else is absent.
std::optional<ItemStatus> itemStatusFromText(const QString& text);
