// A chart view of the dashboard, styled for the dark scheme, with its hover annotation.
#pragma once

#include <QChartView>

class ChartCallout;

class DashboardChartView : public QChartView
{
    Q_OBJECT

public:
    explicit DashboardChartView(QChart* chart, QWidget* parent = nullptr);

    ChartCallout* callout() const { return m_callout; }

protected:
    void leaveEvent(QEvent* event) override;

private:
    ChartCallout* m_callout;
};
