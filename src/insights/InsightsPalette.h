// The colours of the dashboard and the overview: the system accent colours, the status colours
// derived from them, and the dark surface the charts are drawn on.
#pragma once

#include "domain/ItemStatus.h"
#include "insights/StatusSeries.h"

#include <QColor>

class QWidget;

class InsightsPalette
{
public:
    static QColor systemBlue();
    static QColor systemOrange();
    static QColor systemGreen();
    static QColor systemPurple();

    // Blends towards black by the fraction (0 leaves the colour, 1 gives black).
    static QColor darkened(const QColor& color, double fraction);

    static QColor seriesColor(StatusSeries series);
    static QColor statusColor(ItemStatus status);

    static QColor windowBackground();
    static QColor cardBackground();
    static QColor primaryText();
    static QColor secondaryText();
    static QColor gridLine();

    // Gives the widget and its children the dark scheme the application always shows.
    static void applyDarkScheme(QWidget* widget);

};
