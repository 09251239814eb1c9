// What the boards overview shows, worked out from the workspace's boards: the active boards split
// into local and cloud, the five totals over them, and which cloud boards still lack their members.
#pragma once

#include "domain/Board.h"
#include "domain/OverallBoardProgress.h"

#include <QList>
#include <QUuid>

struct BoardsOverviewSummary
{
    QList<Board> localBoards;
    QList<Board> cloudBoards;
    qint64 boardCount = 0;
    OverallBoardProgress totals; // sums of every shown board's overallProgress

    // Only active boards are shown, in the given order.
    static BoardsOverviewSummary from(const QList<Board>& boards);

    // The shown cloud boards whose member list is still empty, so their details are worth fetching.
    QList<QUuid> boardsWithoutMembers() const;
};

// The overview's status names ("In Progress" in title case, unlike the dashboard's series).
QString overviewStatusLabel(ItemStatus status);

// One segment of a board's status bar: the status it stands for and its share of the bar.
struct SegmentDescriptor
{
    ItemStatus status = ItemStatus::done;
    QString label;
    double value = 0.0; // fraction of the whole bar

    friend bool operator==(const SegmentDescriptor&, const SegmentDescriptor&) = default;
};

// Done, In Progress, Todo in that order, leaving out statuses without items; empty without items.
QList<SegmentDescriptor> statusBarSegments(const OverallBoardProgress& summary);
