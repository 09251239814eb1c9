#include "insights/DashboardChartView.h"

#include "insights/ChartCallout.h"
#include "insights/InsightsPalette.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QLegend>

DashboardChartView::DashboardChartView(QChart* chart, QWidget* parent)
    : QChartView(chart, parent)
    , m_callout(new ChartCallout(chart))
{
    setRenderHint(QPainter::Antialiasing);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(Qt::NoBrush);
    setStyleSheet(QStringLiteral("background: transparent"));

    chart->setBackgroundVisible(false);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setLabelColor(InsightsPalette::primaryText());
    chart->legend()->setAlignment(Qt::AlignBottom);
}

void DashboardChartView::leaveEvent(QEvent* event)
{
    m_callout->hideCallout();
    QChartView::leaveEvent(event);
}
