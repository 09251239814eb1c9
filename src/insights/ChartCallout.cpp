#include "insights/ChartCallout.h"

#include "insights/InsightsPalette.h"

#include <QChart>
#include <QFontMetricsF>
#include <QPainter>

ChartCallout::ChartCallout(QChart* chart)
    : QGraphicsItem(chart)
    , m_chart(chart)
{
    setZValue(20);
    hide();
}

void ChartCallout::showAt(const QPointF& chartPosition, const QString& text)
{
    prepareGeometryChange();
    m_text = text;
    const QFontMetricsF metrics(m_chart->font());
    const QSizeF textSize = metrics.size(0, text);
    m_textRect = QRectF(QPointF(8, 6), textSize);

    // Keep the label inside the plot area: flip it to the left or below the point near the edges.
    const QRectF plot = m_chart->plotArea();
    const QSizeF box(textSize.width() + 16, textSize.height() + 12);
    QPointF topLeft = chartPosition + QPointF(10, -box.height() - 10);
    if (topLeft.x() + box.width() > plot.right())
        topLeft.setX(chartPosition.x() - box.width() - 10);
    if (topLeft.y() < plot.top())
        topLeft.setY(chartPosition.y() + 10);
    topLeft.setX(std::max(topLeft.x(), plot.left()));
    setPos(topLeft);
    show();
    update();
}

void ChartCallout::hideCallout()
{
    m_text.clear();
    hide();
}

QRectF ChartCallout::boundingRect() const
{
    return m_textRect.adjusted(-8, -6, 8, 6);
}

void ChartCallout::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setRenderHint(QPainter::Antialiasing);
    QColor fill = InsightsPalette::cardBackground().lighter(140);
    fill.setAlphaF(0.95F);
    painter->setPen(QPen(InsightsPalette::gridLine().lighter(150), 1));
    painter->setBrush(fill);
    painter->drawRoundedRect(boundingRect(), 6, 6);
    painter->setPen(InsightsPalette::primaryText());
    painter->setFont(m_chart->font());
    painter->drawText(m_textRect, Qt::AlignLeft | Qt::AlignVCenter, m_text);
}
