// The sidebar's two sections and how the workspace's boards fall into them: active local boards under
// the scope "local", active cloud boards under "remote", archived boards in neither layout.
#pragma once

#include "domain/Board.h"

#include <QList>
#include <QString>

QString localSidebarScope();
QString remoteSidebarScope();

// The scope of the section an active board belongs to.
QString sidebarScopeOf(const Board& board);

struct SidebarBoardSplit
{
    QList<Board> local;
    QList<Board> remote;
    QList<Board> archivedLocal;
    QList<Board> archivedRemote;
};

// Keeps the workspace's order within each part.
SidebarBoardSplit splitSidebarBoards(const QList<Board>& boards);
