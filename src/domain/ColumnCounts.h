// How many undeleted items each of a board's columns holds, the live ones and the archived ones
// apart (the column's tab counts the live ones; its archived section is counted on its own).
#pragma once

#include "domain/ItemStatus.h"

#include <QtGlobal>

#include <array>
#include <cstddef>

struct ColumnCounts
{
    std::array<qint64, 3> live {};
    std::array<qint64, 3> archived {};

    qint64 liveIn(ItemStatus status) const { return live.at(static_cast<std::size_t>(status)); }
    qint64 archivedIn(ItemStatus status) const { return archived.at(static_cast<std::size_t>(status)); }

    friend bool operator==(const ColumnCounts&, const ColumnCounts&) = default;
};
