// Dropping a dragged board on a board row of a sidebar section: which entry moves where, and why a
// drop is refused. Boards only move within their own section.
#pragma once

#include "sidebar/BoardTransfer.h"
#include "sidebar/SidebarEntry.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <expected>

class LocalStore;
class QMimeData;

enum class BoardDropRefusal {
    noPayload, // nothing readable was dropped
    draggedBoardNotInSection, // for example a local board dropped on a cloud row
    targetNotInSection,
};

struct SidebarBoardMove
{
    qsizetype from = 0; // position of the dragged entry
    qsizetype to = 0; // where it is inserted once it has been taken out

    friend bool operator==(const SidebarBoardMove&, const SidebarBoardMove&) = default;
};

// The insertion index after the dragged entry is removed: the target's position, one less when the
// dragged entry stood before the target, kept within 0 and the number of entries left. Dropping on
// the row just below therefore changes nothing, and the first of three dropped on the last row
// lands between the other two.
qsizetype sidebarBoardInsertionIndex(
    qsizetype draggedPosition, qsizetype targetPosition, qsizetype remainingCount);

// The payloads a drop carries: the board of the mime data, or none when it holds no readable board.
QList<BoardTransfer> droppedBoards(const QMimeData* mimeData);

// Decides the drop of the payloads (the first one counts) on the row of the target board.
std::expected<SidebarBoardMove, BoardDropRefusal> planSidebarBoardMove(
    const QList<SidebarEntry>& entries, const QList<BoardTransfer>& payloads, const QUuid& targetBoardId);

QList<SidebarEntry> applySidebarBoardMove(QList<SidebarEntry> entries, SidebarBoardMove move);

// Plans, applies and commits the section with persistence; on refusal the entries stay as they were.
std::expected<void, BoardDropRefusal> moveSidebarBoard(LocalStore& store, QList<SidebarEntry>& entries,
    const QList<BoardTransfer>& payloads, const QUuid& targetBoardId, const QString& scope);
