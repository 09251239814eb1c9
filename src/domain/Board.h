// One board, local or cloud, with its items and members. Boards are equal when their ids are.
#pragma once

#include "domain/BoardUser.h"
#include "domain/ColumnCounts.h"
#include "domain/Item.h"
#include "domain/OverallBoardProgress.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

struct Board
{
    QUuid id;
    QString name;
    QDateTime createdAt;
    QDateTime updatedAt;
    bool syncWithServer = false;
    QString createdBy;
    QList<Item> items; // includes archived items and deletion tombstones
    // Set while the items are still in the store only (items is then empty, or only each column's
    // first page, see below): their tally by status.
    std::optional<OverallBoardProgress> storedTally;
    // Set while items holds only the first page of each column, live and archived, and the rest is
    // still being read: the whole board's counts. storedTally is set with it.
    std::optional<ColumnCounts> firstPageCounts;
    QList<BoardUser> users;
    std::optional<QString> info;
    bool isActive = true;
    std::optional<BoardUser> boardOwner;
    qint64 revision = 0;

    // Owner-only controls: anyone owns a local board; a cloud board only its member with the owner role.
    bool isOwnedBy(const std::optional<QUuid>& userId) const;
    bool hasItemsLoaded() const { return !storedTally.has_value(); }
    QList<Item> undeletedItems() const;
    // The store's tally while the items are not held, else the columns' counts added up.
    OverallBoardProgress overallProgress() const;
    bool hasFirstPageOnly() const { return firstPageCounts.has_value(); }
    // The counts of the items held, or of the whole board while only its first page is.
    ColumnCounts columnCounts() const;

    friend bool operator==(const Board& a, const Board& b) { return a.id == b.id; }
};

inline size_t qHash(const Board& board, size_t seed = 0)
{
    return qHash(board.id, seed);
}
