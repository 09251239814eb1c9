#include "richtext/BusyIndicator.h"

#include <QPainter>

BusyIndicator::BusyIndicator(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("busyIndicator"));
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::ButtonText), 2, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    const QRectF box = QRectF(rect()).adjusted(2, 2, -2, -2);
    painter.drawArc(box, -m_angle * 16, 270 * 16);
}

void BusyIndicator::showEvent(QShowEvent*)
{
    m_timer.start();
}

void BusyIndicator::hideEvent(QHideEvent*)
{
    m_timer.stop();
}
