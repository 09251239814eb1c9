// A board's progress as one horizontal bar: Done, In Progress and Todo side by side, each as wide
// as its share of the board's items; "No items" for a board without items.
#pragma once

#include "domain/OverallBoardProgress.h"
#include "insights/BoardsOverviewSummary.h"

#include <QWidget>

class QLabel;

class BoardOverviewStatusBar : public QWidget
{
    Q_OBJECT

public:
    explicit BoardOverviewStatusBar(const OverallBoardProgress& summary, QWidget* parent = nullptr);

    const QList<SegmentDescriptor>& segments() const { return m_segments; }
    // Where each segment is drawn, in the order of segments().
    QList<QRectF> segmentRects() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<SegmentDescriptor> m_segments;
    QLabel* m_noItems = nullptr;
};
