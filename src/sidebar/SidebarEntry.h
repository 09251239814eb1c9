// One row of a sidebar section: a board or a divider. Its identity is the board's or the divider's id.
#pragma once

#include "domain/Board.h"
#include "sidebar/SidebarDivider.h"

#include <QList>
#include <QUuid>
#include <variant>

class SidebarEntry
{
public:
    SidebarEntry(Board board); // NOLINT(google-explicit-constructor): a board is an entry
    SidebarEntry(SidebarDivider divider); // NOLINT(google-explicit-constructor): so is a divider

    QUuid id() const;
    bool isBoard() const { return std::holds_alternative<Board>(m_value); }
    bool isDivider() const { return std::holds_alternative<SidebarDivider>(m_value); }

    // The carried value, or null when the entry is of the other kind.
    const Board* board() const { return std::get_if<Board>(&m_value); }
    const SidebarDivider* divider() const { return std::get_if<SidebarDivider>(&m_value); }
    SidebarDivider* divider() { return std::get_if<SidebarDivider>(&m_value); }

    // Same kind and same identity (boards compare by id, as boards do everywhere).
    friend bool operator==(const SidebarEntry&, const SidebarEntry&) = default;

private:
    std::variant<Board, SidebarDivider> m_value;
};

// The ids of the entries, in order: what a section's layout is, for comparisons and diagnostics.
QList<QUuid> sidebarEntryIds(const QList<SidebarEntry>& entries);

// Index of the entry with the id, or -1. Boards only when boardsOnly is set.
qsizetype indexOfSidebarEntry(const QList<SidebarEntry>& entries, const QUuid& id, bool boardsOnly = false);
