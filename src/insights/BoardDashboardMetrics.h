// The four series of a board's dashboard, computed from the board's items alone: cumulative
// totals by status per day, the current share of each status, the mean cycle time per week and
// the number of items created per week.
#pragma once

#include "domain/Board.h"
#include "domain/ItemStatus.h"
#include "insights/DashboardCalendar.h"

#include <QDateTime>
#include <QList>

struct StatusTrendPoint
{
    QDateTime date; // a start of day, UTC
    qint64 done = 0;
    qint64 inProgress = 0;
    qint64 todo = 0;

    friend bool operator==(const StatusTrendPoint&, const StatusTrendPoint&) = default;
};

struct StatusSlice
{
    ItemStatus status = ItemStatus::todo;
    qint64 count = 0;
    qint64 totalCount = 0;

    friend bool operator==(const StatusSlice&, const StatusSlice&) = default;
};

struct CycleTimePoint
{
    QDateTime weekStart;
    double averageDays = 0.0;

    friend bool operator==(const CycleTimePoint&, const CycleTimePoint&) = default;
};

struct ActivityPoint
{
    QDateTime weekStart;
    qint64 count = 0;

    friend bool operator==(const ActivityPoint&, const ActivityPoint&) = default;
};

struct BoardDashboardMetrics
{
    QList<StatusTrendPoint> statusTrend;
    QList<StatusSlice> statusBreakdown;
    QList<CycleTimePoint> cycleTimeTrend;
    QList<ActivityPoint> activityTrend;

    // Days and weeks follow the calendar; "now" decides where the daily and weekly series end.
    static BoardDashboardMetrics compute(const Board& board, const DashboardCalendar& calendar,
        const QDateTime& now);
};
