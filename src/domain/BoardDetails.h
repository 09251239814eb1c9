// One cloud board read together with its owner and members.
#pragma once

#include "domain/Board.h"

struct BoardDetails
{
    Board board;
    BoardUser boardOwner;
    QList<BoardUser> users;
};
