// Compact builders for the insights tests: items written as one line of text, and series turned
// into lines of text so that a failing comparison shows which day or week differs.
#pragma once

#include "domain/Board.h"
#include "insights/BoardDashboardMetrics.h"

#include <QStringList>

// An ISO 8601 instant, in UTC.
QDateTime instant(const QString& text);
// "STATUS created updated [archived] [deleted]", for example "DONE 2024-03-04T10:00:00Z 2024-03-04T15:00:00Z".
Item itemFromLine(const QString& line);
Board boardWithItems(const QStringList& lines, const QString& name = QStringLiteral("Board"));

QStringList trendLines(const QList<StatusTrendPoint>& points);     // "date done/inProgress/todo"
QStringList breakdownLines(const QList<StatusSlice>& slices);      // "STATUS count/total"
QStringList cycleLines(const QList<CycleTimePoint>& points);       // "weekStart averageDays"
QStringList activityLines(const QList<ActivityPoint>& points);     // "weekStart count"
