#include "sidebar/SidebarSections.h"

QString localSidebarScope()
{
    return QStringLiteral("local");
}

QString remoteSidebarScope()
{
    return QStringLiteral("remote");
}

QString sidebarScopeOf(const Board& board)
{
    return board.syncWithServer ? remoteSidebarScope() : localSidebarScope();
}

SidebarBoardSplit splitSidebarBoards(const QList<Board>& boards)
{
    SidebarBoardSplit split;
    for (const Board& board : boards) {
        if (board.isActive)
            (board.syncWithServer ? split.remote : split.local).append(board);
        else
            (board.syncWithServer ? split.archivedRemote : split.archivedLocal).append(board);
    }
    return split;
}
