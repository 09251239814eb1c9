#include "sidebar/SidebarLayout.h"

#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"

#include <QSet>

namespace {

bool isInRange(const QList<SidebarEntry>& entries, qsizetype index)
{
    return index >= 0 && index < entries.size();
}

// Boards in the order of the id list; boards it does not name follow in the workspace's order.
QList<SidebarEntry> boardsInOlderOrder(const QList<Board>& boards, const QList<QUuid>& order)
{
    QList<SidebarEntry> entries;
    QSet<QUuid> placed;
    for (const QUuid& id : order) {
        if (placed.contains(id))
            continue;
        for (const Board& board : boards) {
            if (board.id == id) {
                entries.append(board);
                placed.insert(id);
                break;
            }
        }
    }
    for (const Board& board : boards) {
        if (!placed.contains(board.id))
            entries.append(board);
    }
    return entries;
}

QList<SidebarEntry> mergeStoredLayout(const QList<Board>& boards, const QList<SidebarEntryStorage>& layout)
{
    QList<SidebarEntry> entries;
    QSet<QUuid> placed;
    for (const SidebarEntryStorage& stored : layout) {
        if (const SidebarDivider* divider = stored.dividerValue()) {
            entries.append(*divider);
            continue;
        }
        const QUuid boardId = *stored.boardId();
        // A board named twice keeps its first place.
        if (placed.contains(boardId))
            continue;
        for (const Board& board : boards) {
            if (board.id == boardId) {
                entries.append(board);
                placed.insert(boardId);
                break;
            }
        }
    }
    for (const Board& board : boards) {
        if (!placed.contains(board.id))
            entries.append(board);
    }
    return entries;
}

}

LocalStoreKey<QList<SidebarEntryStorage>> sidebarLayoutKey(const QString& scope)
{
    return PreferenceKeys::sidebarLayout<SidebarEntryStorage>(scope);
}

QList<SidebarEntry> loadSidebarEntries(
    LocalStore& store, const QList<Board>& boards, const QString& scope, bool persist)
{
    if (boards.isEmpty())
        return {};
    const QList<SidebarEntryStorage> layout = store.get(sidebarLayoutKey(scope));
    if (!layout.isEmpty())
        return commitSidebarEntries(store, mergeStoredLayout(boards, layout), scope, persist);
    const QList<QUuid> olderOrder = store.get(PreferenceKeys::boardOrder(scope));
    return commitSidebarEntries(store, boardsInOlderOrder(boards, olderOrder), scope, persist);
}

QList<SidebarEntry> normalizeSidebarEntries(QList<SidebarEntry> entries)
{
    while (!entries.isEmpty() && entries.first().isDivider())
        entries.removeFirst();
    while (!entries.isEmpty() && entries.last().isDivider())
        entries.removeLast();
    QList<SidebarEntry> normalized;
    normalized.reserve(entries.size());
    for (SidebarEntry& entry : entries) {
        if (entry.isDivider() && !normalized.isEmpty() && normalized.last().isDivider())
            continue;
        normalized.append(std::move(entry));
    }
    return normalized;
}

QList<SidebarEntry> commitSidebarEntries(
    LocalStore& store, QList<SidebarEntry> entries, const QString& scope, bool persist)
{
    QList<SidebarEntry> normalized = normalizeSidebarEntries(std::move(entries));
    if (persist) {
        QList<SidebarEntryStorage> layout;
        layout.reserve(normalized.size());
        for (const SidebarEntry& entry : normalized)
            layout.append(SidebarEntryStorage::from(entry));
        store.set(layout, sidebarLayoutKey(scope));
    }
    return normalized;
}

bool insertSidebarDivider(
    LocalStore& store, QList<SidebarEntry>& entries, qsizetype index, bool below, const QString& scope)
{
    if (!isInRange(entries, index))
        return false;
    const qsizetype position = below ? index + 1 : index;
    if (position > 0 && entries.at(position - 1).isDivider())
        return false;
    if (position < entries.size() && entries.at(position).isDivider())
        return false;
    entries.insert(position, SidebarDivider::make());
    entries = commitSidebarEntries(store, std::move(entries), scope, true);
    return true;
}

bool recolorSidebarDivider(LocalStore& store, QList<SidebarEntry>& entries, qsizetype index,
    SidebarDividerColor color, const QString& scope)
{
    if (!isInRange(entries, index) || !entries[index].isDivider())
        return false;
    entries[index].divider()->color = color;
    entries = commitSidebarEntries(store, std::move(entries), scope, true);
    return true;
}

bool removeSidebarEntry(
    LocalStore& store, QList<SidebarEntry>& entries, qsizetype index, const QString& scope)
{
    if (!isInRange(entries, index))
        return false;
    entries.removeAt(index);
    entries = commitSidebarEntries(store, std::move(entries), scope, true);
    return true;
}
