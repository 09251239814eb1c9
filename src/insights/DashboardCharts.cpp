#include "insights/DashboardCharts.h"

#include "domain/OverallBoardProgress.h"
#include "insights/ChartCallout.h"
#include "insights/ChartDateFormat.h"
#include "insights/DashboardChartView.h"
#include "insights/InsightsPalette.h"
#include "insights/StatusSeries.h"

#include <QAreaSeries>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLocale>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 msecsPerDay = 24LL * 60 * 60 * 1000;

void styleAxis(QAbstractAxis* axis, const QString& title)
{
    axis->setTitleText(title);
    axis->setTitleBrush(InsightsPalette::secondaryText());
    axis->setLabelsColor(InsightsPalette::secondaryText());
    axis->setLinePenColor(InsightsPalette::gridLine());
    axis->setGridLineColor(InsightsPalette::gridLine());
    QFont font = axis->labelsFont();
    font.setPointSizeF(8.5);
    axis->setLabelsFont(font);
    axis->setTitleFont(font);
}

// A count axis from zero whose five ticks fall on whole numbers.
QValueAxis* countAxis(qint64 largest, const QString& title)
{
    auto* axis = new QValueAxis;
    const qint64 top = std::max<qint64>(4, (largest + 3) / 4 * 4);
    axis->setRange(0, static_cast<double>(top));
    axis->setTickCount(5);
    axis->setLabelFormat(QStringLiteral("%d"));
    styleAxis(axis, title);
    return axis;
}

QDateTimeAxis* dateAxis(
    qint64 firstMsecs, qint64 lastMsecs, qsizetype pointCount, const QString& title, const QTimeZone& zone)
{
    auto* axis = new QDateTimeAxis;
    // A lone day or week still needs some width to be drawn on.
    const qint64 padding = firstMsecs == lastMsecs ? msecsPerDay : 0;
    axis->setRange(QDateTime::fromMSecsSinceEpoch(firstMsecs - padding),
        QDateTime::fromMSecsSinceEpoch(lastMsecs + padding));
    axis->setFormat(ChartDateFormat::forRange(QLocale(),
        QDateTime::fromMSecsSinceEpoch(firstMsecs, zone).date(), QDateTime::fromMSecsSinceEpoch(lastMsecs, zone).date()));
    axis->setTickCount(static_cast<int>(std::clamp<qsizetype>(pointCount, 2, 6)));
    styleAxis(axis, title);
    return axis;
}

QString dayText(const QDateTime& instant, const QTimeZone& zone)
{
    return QLocale().toString(instant.toTimeZone(zone).date(), QLocale::ShortFormat);
}

// The index of the point whose x is nearest to the hovered x, in a list sorted by x.
template<typename Point, typename Key>
qsizetype nearestIndex(const QList<Point>& points, double x, Key key)
{
    const auto after = std::lower_bound(points.begin(), points.end(), x,
        [&](const Point& point, double value) { return key(point) < value; });
    if (after == points.begin())
        return 0;
    if (after == points.end())
        return points.size() - 1;
    const auto before = after - 1;
    return (x - key(*before) <= key(*after) - x) ? before - points.begin() : after - points.begin();
}

QChart* newChart()
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

} // namespace

DashboardChartView* DashboardCharts::statusTrend(const QList<StatusTrendPoint>& points, const QTimeZone& zone)
{
    QChart* chart = newChart();
    qint64 largest = 0;
    for (const StatusTrendPoint& point : points)
        largest = std::max({ largest, point.done, point.inProgress, point.todo });
    const qint64 first = points.isEmpty() ? 0 : points.first().date.toMSecsSinceEpoch();
    const qint64 last = points.isEmpty() ? 0 : points.last().date.toMSecsSinceEpoch();
    QDateTimeAxis* xAxis = dateAxis(first, last, points.size(), QStringLiteral("Date"), zone);
    QValueAxis* yAxis = countAxis(largest, QStringLiteral("Items"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);

    auto* view = new DashboardChartView(chart);
    view->setObjectName(QStringLiteral("statusTrendChart"));
    const bool manyPoints = points.size() > 60;
    for (const StatusSeries series : allStatusSeries) {
        auto* line = new QLineSeries;
        line->setName(statusSeriesLabel(series));
        QPen pen(InsightsPalette::seriesColor(series), 2);
        line->setPen(pen);
        // Point marks stay readable up to about two months of days; beyond that they merge into a band.
        line->setPointsVisible(true);
        line->setMarkerSize(manyPoints ? 3 : 6);
        QList<QPointF> data;
        data.reserve(points.size());
        for (const StatusTrendPoint& point : points) {
            const qint64 value = series == StatusSeries::done ? point.done
                : series == StatusSeries::inProgress           ? point.inProgress
                                                               : point.todo;
            data.append(QPointF(static_cast<double>(point.date.toMSecsSinceEpoch()), static_cast<double>(value)));
        }
        line->replace(data);
        chart->addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);
        QObject::connect(line, &QXYSeries::hovered, view, [view, chart, line, points, zone](const QPointF& at, bool state) {
            if (!state || points.isEmpty()) {
                view->callout()->hideCallout();
                return;
            }
            const qsizetype index = nearestIndex(points, at.x(),
                [](const StatusTrendPoint& point) { return static_cast<double>(point.date.toMSecsSinceEpoch()); });
            const StatusTrendPoint& point = points[index];
            const QString text = QStringLiteral("%1\nDone %2 · In progress %3 · Todo %4")
                                     .arg(dayText(point.date, zone))
                                     .arg(point.done)
                                     .arg(point.inProgress)
                                     .arg(point.todo);
            view->callout()->showAt(chart->mapToPosition(line->at(static_cast<int>(index)), line), text);
        });
    }
    return view;
}

DashboardChartView* DashboardCharts::statusBreakdown(const QList<StatusSlice>& slices)
{
    QChart* chart = newChart();
    auto* ring = new QPieSeries;
    ring->setHoleSize(0.55);
    ring->setPieSize(0.78);
    auto* view = new DashboardChartView(chart);
    view->setObjectName(QStringLiteral("statusBreakdownChart"));
    qint64 total = 0;
    for (const StatusSlice& slice : slices)
        total += slice.count;
    for (const StatusSlice& slice : slices) {
        auto* sector = new QPieSlice(QStringLiteral("%1 items").arg(slice.count), static_cast<double>(slice.count));
        const QColor color = InsightsPalette::statusColor(slice.status);
        sector->setColor(color);
        sector->setBorderColor(InsightsPalette::windowBackground());
        sector->setBorderWidth(2);
        sector->setLabelColor(InsightsPalette::primaryText());
        sector->setLabelArmLengthFactor(0.12);
        sector->setLabelPosition(QPieSlice::LabelOutside);
        // Labels of thin slices pile up at the top of the ring and run off the chart; their counts stay
        // in the hover text.
        sector->setLabelVisible(slice.count > 0 && slice.count * 20 >= total);
        sector->setExplodeDistanceFactor(0.06);
        ring->append(sector);
        const QString label = statusSeriesLabel(statusSeriesOf(slice.status));
        const QString hoverText = QStringLiteral("%1: %2 of %3 items (%4)")
                                      .arg(label)
                                      .arg(slice.count)
                                      .arg(slice.totalCount)
                                      .arg(percentText(slice.totalCount, slice.count));
        QObject::connect(sector, &QPieSlice::hovered, view, [view, chart, sector, hoverText](bool state) {
            sector->setExploded(state);
            if (state)
                view->callout()->showAt(chart->plotArea().center(), hoverText);
            else
                view->callout()->hideCallout();
        });
    }
    chart->addSeries(ring);
    // The legend names the statuses while the sectors themselves carry the counts.
    const QList<QLegendMarker*> markers = chart->legend()->markers(ring);
    for (qsizetype index = 0; index < markers.size() && index < slices.size(); ++index)
        markers[index]->setLabel(statusSeriesLabel(statusSeriesOf(slices[index].status)));
    return view;
}

DashboardChartView* DashboardCharts::cycleTime(const QList<CycleTimePoint>& points, const QTimeZone& zone)
{
    QChart* chart = newChart();
    chart->legend()->hide();
    double largest = 0.0;
    auto* line = new QLineSeries;
    for (const CycleTimePoint& point : points) {
        largest = std::max(largest, point.averageDays);
        line->append(static_cast<double>(point.weekStart.toMSecsSinceEpoch()), point.averageDays);
    }
    const QColor purple = InsightsPalette::systemPurple();
    line->setName(QStringLiteral("Days"));
    line->setPen(QPen(purple, 2));
    line->setPointsVisible(true);
    // Full-size marks for up to about a year of weeks; beyond that they would cover the line.
    line->setMarkerSize(points.size() > 52 ? 3.0 : std::sqrt(32.0));

    // The area is filled from a copy of the line so that the line and its marks stay on top.
    auto* upper = new QLineSeries;
    upper->replace(line->points());
    auto* area = new QAreaSeries(upper);
    QColor fill = purple;
    fill.setAlphaF(0.25F);
    area->setBrush(fill);
    area->setPen(Qt::NoPen);

    const qint64 first = points.isEmpty() ? 0 : points.first().weekStart.toMSecsSinceEpoch();
    const qint64 last = points.isEmpty() ? 0 : points.last().weekStart.toMSecsSinceEpoch();
    QDateTimeAxis* xAxis = dateAxis(first, last, points.size(), QStringLiteral("Week"), zone);
    auto* yAxis = new QValueAxis;
    yAxis->setRange(0, std::max(1.0, std::ceil(largest * 1.15)));
    yAxis->setTickCount(5);
    yAxis->setLabelFormat(QStringLiteral("%.1f"));
    styleAxis(yAxis, QStringLiteral("Days"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    for (QAbstractSeries* series : { static_cast<QAbstractSeries*>(area), static_cast<QAbstractSeries*>(line) }) {
        chart->addSeries(series);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
    }

    auto* view = new DashboardChartView(chart);
    view->setObjectName(QStringLiteral("cycleTimeChart"));
    const auto showNearest = [view, chart, line, points, zone](const QPointF& at, bool state) {
        if (!state || points.isEmpty()) {
            view->callout()->hideCallout();
            return;
        }
        const qsizetype index = nearestIndex(points, at.x(),
            [](const CycleTimePoint& point) { return static_cast<double>(point.weekStart.toMSecsSinceEpoch()); });
        const CycleTimePoint& point = points[index];
        view->callout()->showAt(chart->mapToPosition(line->at(static_cast<int>(index)), line),
            QStringLiteral("Week of %1: %2 days").arg(dayText(point.weekStart, zone)).arg(point.averageDays, 0, 'f', 1));
    };
    QObject::connect(line, &QXYSeries::hovered, view, showNearest);
    QObject::connect(area, &QAreaSeries::hovered, view, showNearest);
    return view;
}

DashboardChartView* DashboardCharts::activity(const QList<ActivityPoint>& points, const QTimeZone& zone)
{
    QChart* chart = newChart();
    chart->legend()->hide();
    auto* bars = new QBarSet(QStringLiteral("Created"));
    bars->setColor(InsightsPalette::systemBlue());
    bars->setBorderColor(Qt::transparent);
    qint64 largest = 0;
    // Bars sit at 0, 1, 2, …; a category axis over that range labels every few weeks at its bar.
    // Long histories would not fit a label under each narrow bar.
    auto* xAxis = new QCategoryAxis;
    xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    xAxis->setRange(-0.5, static_cast<double>(std::max<qsizetype>(points.size(), 1)) - 0.5);
    xAxis->setStartValue(-0.5);
    const qsizetype labelEvery = std::max<qsizetype>(1, (points.size() + 5) / 6);
    // The locale's short numeric date: "MMM d" runs into its neighbours on a narrow chart.
    const QString labelFormat = points.isEmpty() ? QString()
                                                 : ChartDateFormat::forRange(QLocale(),
                                                     points.first().weekStart.toTimeZone(zone).date(),
                                                     points.last().weekStart.toTimeZone(zone).date());
    for (qsizetype index = 0; index < points.size(); ++index) {
        const ActivityPoint& point = points[index];
        bars->append(static_cast<double>(point.count));
        largest = std::max(largest, point.count);
        // Half a step in from both ends, so neither end's label hangs over the edge of the chart.
        if ((index + labelEvery / 2) % labelEvery == 0)
            xAxis->append(QLocale().toString(point.weekStart.toTimeZone(zone).date(), labelFormat),
                static_cast<double>(index));
    }
    auto* series = new QBarSeries;
    series->append(bars);
    series->setBarWidth(0.7);
    chart->addSeries(series);
    xAxis->setGridLineVisible(false);
    styleAxis(xAxis, QStringLiteral("Week"));
    QValueAxis* yAxis = countAxis(largest, QStringLiteral("Created"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    series->attachAxis(xAxis);
    series->attachAxis(yAxis);

    auto* view = new DashboardChartView(chart);
    view->setObjectName(QStringLiteral("activityChart"));
    QObject::connect(bars, &QBarSet::hovered, view, [view, chart, series, points, zone](bool state, int index) {
        if (!state || index < 0 || index >= points.size()) {
            view->callout()->hideCallout();
            return;
        }
        const ActivityPoint& point = points[index];
        const QPointF top = chart->mapToPosition(QPointF(index, static_cast<double>(point.count)), series);
        view->callout()->showAt(top,
            QStringLiteral("Week of %1: %2 created").arg(dayText(point.weekStart, zone)).arg(point.count));
    });
    return view;
}
