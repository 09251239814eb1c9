// Builds the four charts of a board's dashboard from its metrics: a line chart of the daily
// totals, a ring of the status shares, an area of the weekly cycle time and bars of weekly activity.
#pragma once

#include "insights/BoardDashboardMetrics.h"

#include <QTimeZone>

class DashboardChartView;

class DashboardCharts
{
public:
    // Dates on the axes and in the annotations are shown in the given time zone.
    static DashboardChartView* statusTrend(const QList<StatusTrendPoint>& points, const QTimeZone& zone);
    static DashboardChartView* statusBreakdown(const QList<StatusSlice>& slices);
    static DashboardChartView* cycleTime(const QList<CycleTimePoint>& points, const QTimeZone& zone);
    static DashboardChartView* activity(const QList<ActivityPoint>& points, const QTimeZone& zone);
};
