#include "transfer/ImportApplier.h"

#include "domain/Ids.h"
#include "sidebar/SidebarLayout.h"
#include "store/ConflictCopyStore.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/StoreContext.h"
#include "transfer/ImportIds.h"

#include <QElapsedTimer>
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

ImportWriter::ImportWriter(ImportPlan plan, StoreContext& context, LocalStore& preferences)
    : m_plan(std::move(plan))
    , m_context(context)
    , m_preferences(preferences)
    , m_itemCount(m_plan.archive.itemCount())
{
}

ImportWriter::~ImportWriter()
{
    abandon();
}

void ImportWriter::abandon()
{
    if (m_begun && !m_ended)
        m_context.rollBackBulkWrite();
    m_ended = true;
}

std::expected<void, QString> ImportWriter::failed(const QString& error)
{
    abandon();
    return std::unexpected(QStringLiteral("The boards could not be written: ") + error);
}

std::expected<void, QString> ImportWriter::begin()
{
    const auto boardIds = boardIdChanges(m_plan.archive, m_context);
    if (!boardIds)
        return std::unexpected(boardIds.error());
    m_boardIds = *boardIds;
    for (const Board& board : std::as_const(m_plan.archive.boards))
        m_boardIsCopy.append(m_boardIds.contains(board.id));
    if (auto begun = m_context.beginBulkWrite(); !begun)
        return std::unexpected(QStringLiteral("The boards could not be written: ") + begun.error().message);
    m_begun = true;
    QList<LocalBoardFields> boards;
    for (Board& board : m_plan.archive.boards) {
        board.id = m_boardIds.value(board.id, board.id);
        board.syncWithServer = false;
        boards.append(localBoardFields(board));
    }
    if (auto written = m_context.writeBulk(boards, {}); !written)
        return failed(written.error().message);
    return {};
}

// The next few hundred items: looked up together (one query for all), then written.
std::expected<void, QString> ImportWriter::writeSlice()
{
    constexpr qsizetype sliceItems = 200;
    QList<Item*> slice;
    QList<QUuid> ids;
    for (; m_board < m_plan.archive.boards.size() && slice.size() < sliceItems; ++m_board, m_item = 0) {
        Board& board = m_plan.archive.boards[m_board];
        // The items of a board made a local copy are copies too.
        const bool copy = m_boardIsCopy[m_board];
        for (; m_item < board.items.size() && slice.size() < sliceItems; ++m_item) {
            Item& item = board.items[m_item];
            if (copy)
                item.id = localCopyId(item.id);
            item.boardId = board.id;
            slice.append(&item);
            ids.append(item.id);
        }
        if (m_item < board.items.size())
            break;
    }
    const auto stored = m_context.fetchItemsWithIds(ids);
    if (!stored)
        return failed(stored.error().message);
    QList<LocalItemFields> rows;
    rows.reserve(slice.size());
    for (Item* item : std::as_const(slice)) {
        const auto record = stored->value(item->id);
        if (record && record->boardId() != item->boardId) {
            const QUuid copyId = importedId(item->boardId, QStringLiteral("copy-of/") + uuidText(item->id));
            m_itemIdChanges.insert(item->id, copyId);
            item->id = copyId;
            ++m_report.copiedItems;
        } else if (record && record->updatedAt() > item->updatedAt) {
            // Changed (or deleted) here after the file was made: newer than the file, it stays.
            ++m_report.keptNewer;
            continue;
        }
        rows.append(localItemFields(*item));
    }
    m_itemsWritten += slice.size();
    if (auto written = m_context.writeBulk({}, rows); !written)
        return failed(written.error().message);
    return {};
}

std::expected<bool, QString> ImportWriter::writeFor(std::chrono::milliseconds budget)
{
    if (m_ended)
        return std::unexpected(QStringLiteral("The import has ended."));
    QElapsedTimer timer;
    timer.start();
    if (!m_begun) {
        if (auto begun = begin(); !begun)
            return std::unexpected(begun.error());
    }
    do {
        if (m_itemsWritten == m_itemCount)
            return true;
        if (auto written = writeSlice(); !written)
            return std::unexpected(written.error());
    } while (timer.elapsed() < budget.count());
    return m_itemsWritten == m_itemCount;
}

std::expected<ImportReport, QString> ImportWriter::finish()
{
    if (!m_begun || m_ended || m_itemsWritten != m_itemCount)
        return std::unexpected(QStringLiteral("The import is not written yet."));
    m_ended = true;
    if (auto committed = m_context.commitBulkWrite(); !committed)
        return std::unexpected(QStringLiteral("The boards could not be written: ") + committed.error().message);

    for (ConflictCopy copy : std::as_const(m_plan.archive.conflictCopies)) {
        if (m_boardIds.contains(copy.boardId))
            copy.itemId = localCopyId(copy.itemId);
        copy.boardId = m_boardIds.value(copy.boardId, copy.boardId);
        copy.itemId = m_itemIdChanges.value(copy.itemId, copy.itemId);
        if (auto inserted = ConflictCopyStore::insert(copy, m_context); !inserted)
            return std::unexpected(QStringLiteral("The boards were imported, but their conflict copies could not be "
                                                  "written: ")
                + inserted.error().message);
        ++m_report.conflictCopies;
    }
    mergeLayout(m_preferences, m_plan.archive, m_boardIds);

    for (const Board& board : std::as_const(m_plan.archive.boards))
        m_report.boardNames << board.name;
    m_report.items = m_itemCount;
    m_report.notes = m_plan.notes();
    return m_report;
}

std::expected<ImportReport, QString> applyImport(ImportPlan plan, StoreContext& context, LocalStore& preferences)
{
    ImportWriter writer(std::move(plan), context, preferences);
    while (true) {
        const auto done = writer.writeFor(std::chrono::milliseconds::max());
        if (!done)
            return std::unexpected(done.error());
        if (*done)
            return writer.finish();
    }
}
