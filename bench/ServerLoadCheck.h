// The load benchmark's consistency check of one board after the load: a full sync against what the
// board's clients were told while it ran.
#pragma once

#include <QJsonObject>
#include <QStringList>
#include <memory>
#include <vector>

class ServerLoadClient;

struct BoardCheck
{
    int items = 0;
    int acknowledgedWrites = 0;
    qint64 latestCheckpoint = 0;
    // Empty when the board is consistent.
    QStringList problems;
};

// fullSync is the board's sync answer from checkpoint 0, taken after every client caught up. The
// board must hold every acknowledged write as its last write left it, no item twice and nothing
// nobody wrote; its acknowledged revisions must be distinct and, with every write answered, exactly
// 1..latestCheckpoint; and each client's incremental syncs must add up to the full sync.
BoardCheck checkBoard(const QJsonObject& fullSync, const std::vector<const ServerLoadClient*>& clients);
