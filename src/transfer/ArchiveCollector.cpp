#include "transfer/ArchiveCollector.h"

#include "sidebar/SidebarLayout.h"
#include "store/ConflictCopyStore.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"

#include <QSet>

namespace {

bool isChosen(const Board& board, const ExportSelection& selection)
{
    if (selection.boardId)
        return board.id == *selection.boardId;
    if (selection.boardName)
        return board.name == *selection.boardName;
    return true;
}

// A whole export keeps the layout with its dividers; a chosen board keeps its place only.
QList<SidebarEntryStorage> layoutOf(
    LocalStore& preferences, const QString& scope, const QSet<QUuid>& boards, bool whole)
{
    QList<SidebarEntryStorage> layout;
    for (const SidebarEntryStorage& entry : preferences.get(sidebarLayoutKey(scope))) {
        const QUuid* boardId = entry.boardId();
        if (boardId ? boards.contains(*boardId) : whole)
            layout.append(entry);
    }
    return layout;
}

bool isWhole(const ExportSelection& selection)
{
    return !selection.boardId && !selection.boardName;
}

}

std::expected<BoardArchive, QString> collectArchive(
    StoreContext& context, LocalStore& preferences, const ExportSelection& selection)
{
    auto archive = collectBoards(context, selection);
    if (archive)
        collectSidebarLayout(*archive, preferences, selection);
    return archive;
}

void collectSidebarLayout(BoardArchive& archive, LocalStore& preferences, const ExportSelection& selection)
{
    QSet<QUuid> chosen;
    for (const Board& board : std::as_const(archive.boards))
        chosen.insert(board.id);
    archive.localLayout = layoutOf(preferences, QStringLiteral("local"), chosen, isWhole(selection));
    archive.cloudLayout = layoutOf(preferences, QStringLiteral("remote"), chosen, isWhole(selection));
}

std::expected<BoardArchive, QString> collectBoards(StoreContext& context, const ExportSelection& selection)
{
    auto boards = LocalDataService::fetchLocalBoards(context);
    if (!boards)
        return std::unexpected(boards.error().message);
    BoardArchive archive;
    QSet<QUuid> chosen;
    for (Board& board : *boards) {
        if (!isChosen(board, selection))
            continue;
        auto records = context.fetchItems(ItemQuery::onBoard(board.id));
        if (!records)
            return std::unexpected(records.error().message);
        board.items.reserve(records->size());
        for (const auto& record : std::as_const(*records))
            board.items.append(toItem(*record));
        chosen.insert(board.id);
        archive.boards.append(std::move(board));
    }
    if (archive.boards.isEmpty()) {
        if (selection.boardName)
            return std::unexpected(QStringLiteral("No board is named \"%1\".").arg(*selection.boardName));
        if (selection.boardId)
            return std::unexpected(QStringLiteral("The board is no longer on this computer."));
    }
    const bool whole = isWhole(selection);

    auto copies = ConflictCopyStore::fetchAll(context);
    if (!copies)
        return std::unexpected(copies.error().message);
    for (const ConflictCopy& copy : std::as_const(*copies)) {
        // A copy whose board is gone belongs to no board, so only a whole export carries it.
        if (chosen.contains(copy.boardId) || whole)
            archive.conflictCopies.append(copy);
    }
    return archive;
}
