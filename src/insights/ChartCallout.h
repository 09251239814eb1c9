// The hover annotation of the dashboard's charts: a small rounded label with the value under the
// cursor, drawn in the chart's scene next to the point it describes.
#pragma once

#include <QGraphicsItem>
#include <QString>

class QChart;

class ChartCallout : public QGraphicsItem
{
public:
    explicit ChartCallout(QChart* chart);

    // Shows the text next to the point (in the chart's value coordinates of its first series).
    void showAt(const QPointF& chartPosition, const QString& text);
    void hideCallout();
    QString text() const { return m_text; }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QChart* m_chart;
    QString m_text;
    QRectF m_textRect;
};
