#include "sidebar/SidebarBoardDrop.h"

#include "sidebar/SidebarLayout.h"

#include <algorithm>

qsizetype sidebarBoardInsertionIndex(
    qsizetype draggedPosition, qsizetype targetPosition, qsizetype remainingCount)
{
    const qsizetype index = draggedPosition < targetPosition ? targetPosition - 1 : targetPosition;
    return std::clamp<qsizetype>(index, 0, std::max<qsizetype>(remainingCount, 0));
}

QList<BoardTransfer> droppedBoards(const QMimeData* mimeData)
{
    const std::expected<BoardTransfer, TransferError> transfer = BoardTransfer::read(mimeData);
    if (!transfer)
        return {};
    return {*transfer};
}

std::expected<SidebarBoardMove, BoardDropRefusal> planSidebarBoardMove(
    const QList<SidebarEntry>& entries, const QList<BoardTransfer>& payloads, const QUuid& targetBoardId)
{
    if (payloads.isEmpty())
        return std::unexpected(BoardDropRefusal::noPayload);
    const qsizetype from = indexOfSidebarEntry(entries, payloads.first().id, true);
    if (from < 0)
        return std::unexpected(BoardDropRefusal::draggedBoardNotInSection);
    const qsizetype target = indexOfSidebarEntry(entries, targetBoardId, true);
    if (target < 0)
        return std::unexpected(BoardDropRefusal::targetNotInSection);
    return SidebarBoardMove {from, sidebarBoardInsertionIndex(from, target, entries.size() - 1)};
}

QList<SidebarEntry> applySidebarBoardMove(QList<SidebarEntry> entries, SidebarBoardMove move)
{
    if (move.from < 0 || move.from >= entries.size())
        return entries;
    SidebarEntry dragged = entries.takeAt(move.from);
    entries.insert(std::clamp<qsizetype>(move.to, 0, entries.size()), std::move(dragged));
    return entries;
}

std::expected<void, BoardDropRefusal> moveSidebarBoard(LocalStore& store, QList<SidebarEntry>& entries,
    const QList<BoardTransfer>& payloads, const QUuid& targetBoardId, const QString& scope)
{
    const std::expected<SidebarBoardMove, BoardDropRefusal> move
        = planSidebarBoardMove(entries, payloads, targetBoardId);
    if (!move)
        return std::unexpected(move.error());
    entries = commitSidebarEntries(store, applySidebarBoardMove(std::move(entries), *move), scope, true);
    return {};
}
