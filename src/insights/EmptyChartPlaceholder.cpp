#include "insights/EmptyChartPlaceholder.h"

#include "insights/InsightsPalette.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

EmptyChartPlaceholder::EmptyChartPlaceholder(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    auto* symbol = new PieChartSymbol(24, this);
    symbol->setObjectName(QStringLiteral("emptySymbol"));
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* text = new QLabel(QStringLiteral("Not enough data yet"), this);
    text->setObjectName(QStringLiteral("emptyText"));
    QPalette palette = text->palette();
    palette.setColor(QPalette::WindowText, InsightsPalette::secondaryText());
    text->setPalette(palette);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addStretch();
}

PieChartSymbol::PieChartSymbol(int size, QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(size, size);
    setAccessibleName(QStringLiteral("Empty chart"));
}

void PieChartSymbol::paintEvent(QPaintEvent*)
{
    // An outlined disc with one wedge pulled out, like the system's pie-chart glyph.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = InsightsPalette::secondaryText();
    const qreal stroke = width() / 12.0;
    const QRectF disc = QRectF(rect()).adjusted(stroke * 1.5, stroke * 1.5, -stroke, -stroke);
    painter.setPen(QPen(ink, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPainterPath body;
    body.moveTo(disc.center());
    body.arcTo(disc, 90, 270);
    body.closeSubpath();
    painter.drawPath(body);

    QPainterPath wedge;
    const QRectF wedgeDisc = disc.translated(stroke * 1.2, -stroke * 1.2);
    wedge.moveTo(wedgeDisc.center());
    wedge.arcTo(wedgeDisc, 0, 90);
    wedge.closeSubpath();
    painter.setBrush(ink);
    painter.drawPath(wedge);
}
