// The HTML named character references ("&eacute;" → é), generated as plain arrays so nothing is
// parsed or allocated to look one up. tools/entities/generate.py writes HtmlEntityTable.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace HtmlEntityTable {

struct Entry
{
    std::uint16_t nameOffset; // into names
    std::uint8_t nameLength;
    std::uint32_t first;  // the code point
    std::uint16_t second; // a second code point for the few names that stand for two, else 0
};

extern const char names[];
// Sorted by name (byte order), so a binary search finds one.
extern const Entry entries[];
extern const std::size_t entryCount;

} // namespace HtmlEntityTable
