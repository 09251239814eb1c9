// What an empty dashboard section shows in place of its chart: a pie-chart symbol and
// "Not enough data yet".
#pragma once

#include <QWidget>

class EmptyChartPlaceholder : public QWidget
{
    Q_OBJECT

public:
    explicit EmptyChartPlaceholder(QWidget* parent = nullptr);
};

// The "chart.pie" symbol, drawn at the given size in points.
class PieChartSymbol : public QWidget
{
    Q_OBJECT

public:
    explicit PieChartSymbol(int size, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
