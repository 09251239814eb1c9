#include "sidebar/SidebarEntry.h"

SidebarEntry::SidebarEntry(Board board)
    : m_value(std::move(board))
{
}

SidebarEntry::SidebarEntry(SidebarDivider divider)
    : m_value(divider)
{
}

QUuid SidebarEntry::id() const
{
    if (const Board* carried = board())
        return carried->id;
    return std::get<SidebarDivider>(m_value).id;
}

QList<QUuid> sidebarEntryIds(const QList<SidebarEntry>& entries)
{
    QList<QUuid> ids;
    ids.reserve(entries.size());
    for (const SidebarEntry& entry : entries)
        ids.append(entry.id());
    return ids;
}

qsizetype indexOfSidebarEntry(const QList<SidebarEntry>& entries, const QUuid& id, bool boardsOnly)
{
    for (qsizetype index = 0; index < entries.size(); ++index) {
        const SidebarEntry& entry = entries.at(index);
        if (boardsOnly && !entry.isBoard())
            continue;
        if (entry.id() == id)
            return index;
    }
    return -1;
}
