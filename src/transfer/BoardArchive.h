// Everything a backup holds: boards with their settings and every item (archived items and deletion
// tombstones included), the order of both sidebar sections with their dividers, and the conflict
// copies. The archive file is this, written by ArchiveWriter and read by ArchiveReader.
#pragma once

#include "domain/Board.h"
#include "domain/ConflictCopy.h"
#include "sidebar/SidebarEntryStorage.h"

#include <QList>

// The archive format's version; a reader refuses newer ones. See docs/archive-format.md.
inline constexpr int boardArchiveVersion = 1;

struct BoardArchive
{
    QList<Board> boards; // items carried in each board's items
    QList<SidebarEntryStorage> localLayout;
    QList<SidebarEntryStorage> cloudLayout;
    QList<ConflictCopy> conflictCopies;

    qsizetype itemCount() const
    {
        qsizetype count = 0;
        for (const Board& board : boards)
            count += board.items.size();
        return count;
    }
};
