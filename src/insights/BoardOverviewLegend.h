// The key under a board's status bar: one row per status with its colour, name and count.
#pragma once

#include "domain/OverallBoardProgress.h"

#include <QColor>
#include <QUuid>
#include <QWidget>

struct LegendRow
{
    QUuid id;
    QString label;
    qint64 count = 0;
    QColor color;
};

class BoardOverviewLegend : public QWidget
{
    Q_OBJECT

public:
    explicit BoardOverviewLegend(const OverallBoardProgress& summary, QWidget* parent = nullptr);

    // Todo, In Progress, Done.
    static QList<LegendRow> rows(const OverallBoardProgress& summary);
};
