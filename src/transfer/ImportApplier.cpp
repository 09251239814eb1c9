#include "transfer/ImportApplier.h"

#include "domain/Ids.h"
#include "sidebar/SidebarLayout.h"
#include "store/ConflictCopyStore.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/StoreContext.h"
#include "transfer/ImportIds.h"

#include <QHash>
#include <QSet>

namespace {

// Board ids of the plan that must become local copies: cloud boards of the archive, and ids that
// are cloud boards here.
std::expected<QHash<QUuid, QUuid>, QString> boardIdChanges(const BoardArchive& archive, StoreContext& context)
{
    QHash<QUuid, QUuid> changes;
    for (const Board& board : archive.boards) {
        auto stored = context.fetchBoards(BoardQuery::withId(board.id));
        if (!stored)
            return std::unexpected(stored.error().message);
        const bool storedInCloud = !stored->isEmpty() && stored->first()->syncWithServer();
        if (board.syncWithServer || storedInCloud)
            changes.insert(board.id, localCopyId(board.id));
    }
    return changes;
}

QList<SidebarEntryStorage> remapped(const QList<SidebarEntryStorage>& layout, const QHash<QUuid, QUuid>& boardIds)
{
    QList<SidebarEntryStorage> entries;
    for (const SidebarEntryStorage& entry : layout) {
        const QUuid* boardId = entry.boardId();
        entries.append(boardId ? SidebarEntryStorage::board(boardIds.value(*boardId, *boardId)) : entry);
    }
    return entries;
}

// The local section's stored layout, with the archive's entries for the boards it does not place
// yet appended (their dividers with them); dividers already stored are not repeated.
void mergeLayout(LocalStore& preferences, const BoardArchive& archive, const QHash<QUuid, QUuid>& boardIds)
{
    const auto key = sidebarLayoutKey(QStringLiteral("local"));
    QList<SidebarEntryStorage> layout = preferences.get(key);
    QSet<QUuid> placed;
    for (const SidebarEntryStorage& entry : std::as_const(layout)) {
        if (const QUuid* boardId = entry.boardId())
            placed.insert(*boardId);
        else
            placed.insert(entry.dividerValue()->id);
    }
    const QList<SidebarEntryStorage> incoming
        = remapped(archive.localLayout, boardIds) + remapped(archive.cloudLayout, boardIds);
    bool changed = false;
    for (const SidebarEntryStorage& entry : incoming) {
        const QUuid id = entry.boardId() ? *entry.boardId() : entry.dividerValue()->id;
        if (placed.contains(id))
            continue;
        placed.insert(id);
        layout.append(entry);
        changed = true;
    }
    if (changed)
        preferences.set(layout, key);
}

}

QString ImportReport::text() const
{
    QStringList names;
    for (const QString& name : boardNames)
        names << QLatin1Char('"') + name + QLatin1Char('"');
    QStringList lines {QStringLiteral("Imported %1 board(s) (%2) with %3 item(s).")
            .arg(boardNames.size())
            .arg(names.join(QStringLiteral(", ")))
            .arg(items)};
    if (conflictCopies > 0)
        lines << QStringLiteral("%1 conflict copy(ies) kept.").arg(conflictCopies);
    if (copiedItems > 0)
        lines << QStringLiteral("%1 item(s) already on another board were imported as copies.").arg(copiedItems);
    if (keptNewer > 0)
        lines << QStringLiteral("%1 item(s) changed here since the file was made were kept as they are.").arg(keptNewer);
    return (lines + notes).join(QLatin1Char('\n'));
}

std::expected<ImportReport, QString> applyImport(ImportPlan plan, StoreContext& context, LocalStore& preferences)
{
    BoardArchive& archive = plan.archive;
    const auto boardIds = boardIdChanges(archive, context);
    if (!boardIds)
        return std::unexpected(boardIds.error());

    QList<QUuid> itemIds;
    itemIds.reserve(archive.itemCount());
    for (Board& board : archive.boards) {
        const bool copy = boardIds->contains(board.id);
        board.id = boardIds->value(board.id, board.id);
        board.syncWithServer = false;
        for (Item& item : board.items) {
            if (copy)
                item.id = localCopyId(item.id);
            item.boardId = board.id;
            itemIds.append(item.id);
        }
    }
    const auto stored = context.fetchItemsWithIds(itemIds);
    if (!stored)
        return std::unexpected(stored.error().message);

    ImportReport report;
    QHash<QUuid, QUuid> itemIdChanges;
    for (Board& board : archive.boards) {
        for (Item& item : board.items) {
            const auto record = stored->value(item.id);
            if (record && record->boardId() != item.boardId) {
                const QUuid copyId = importedId(board.id, QStringLiteral("copy-of/") + uuidText(item.id));
                itemIdChanges.insert(item.id, copyId);
                item.id = copyId;
                ++report.copiedItems;
            }
        }
        // What was changed (or deleted) here after the file was made is newer than the file: it stays.
        const qsizetype before = board.items.size();
        board.items.removeIf([&stored](const Item& item) {
            const auto record = stored->value(item.id);
            return record && record->boardId() == item.boardId && record->updatedAt() > item.updatedAt;
        });
        report.keptNewer += before - board.items.size();
    }

    const auto written = context.transaction([&archive, &context] {
        for (const Board& board : std::as_const(archive.boards)) {
            context.insert(makeLocalBoard(board));
            for (const Item& item : board.items)
                context.insert(makeLocalItem(item));
        }
    });
    if (!written)
        return std::unexpected(QStringLiteral("The boards could not be written: ") + written.error().message);

    for (ConflictCopy copy : std::as_const(archive.conflictCopies)) {
        if (boardIds->contains(copy.boardId))
            copy.itemId = localCopyId(copy.itemId);
        copy.boardId = boardIds->value(copy.boardId, copy.boardId);
        copy.itemId = itemIdChanges.value(copy.itemId, copy.itemId);
        if (auto inserted = ConflictCopyStore::insert(copy, context); !inserted)
            return std::unexpected(QStringLiteral("The boards were imported, but their conflict copies could not be "
                                                  "written: ")
                + inserted.error().message);
        ++report.conflictCopies;
    }
    mergeLayout(preferences, archive, *boardIds);

    for (const Board& board : std::as_const(archive.boards)) {
        report.boardNames << board.name;
        report.items += board.items.size();
    }
    report.items += report.keptNewer;
    report.notes = plan.notes();
    return report;
}
