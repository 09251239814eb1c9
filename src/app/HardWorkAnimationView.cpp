#include "app/HardWorkAnimationView.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
constexpr int barSpacing = 8;
}

HardWorkAnimationView::HardWorkAnimationView(QWidget* parent)
    : QWidget(parent)
    , m_bars { { std::nullopt, 24, 8 }, { std::nullopt, 16, 6 }, { 160, 16, 6 } }
{
    setObjectName(QStringLiteral("hardWorkAnimation"));
    m_timer.setInterval(33);
    connect(&m_timer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_clock.start();
}

double HardWorkAnimationView::phase() const
{
    const double seconds = m_clock.elapsed() / 1000.0;
    return std::fmod(seconds, sweepSeconds) / sweepSeconds;
}

QSize HardWorkAnimationView::sizeHint() const
{
    int height = 0;
    for (const ShimmerBar& bar : m_bars)
        height += bar.height + barSpacing;
    return { 240, height - barSpacing };
}

void HardWorkAnimationView::showEvent(QShowEvent* event)
{
    m_clock.restart();
    m_timer.start();
    QWidget::showEvent(event);
}

void HardWorkAnimationView::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void HardWorkAnimationView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath bars;
    int y = 0;
    for (const ShimmerBar& bar : m_bars) {
        const int width = bar.width ? std::min(*bar.width, this->width()) : this->width();
        bars.addRoundedRect(QRectF(0, y, width, bar.height), bar.cornerRadius, bar.cornerRadius);
        y += bar.height + barSpacing;
    }
    painter.fillPath(bars, QColor(255, 255, 255, 20));

    // The highlight band travels from beyond the left edge to beyond the right edge, tilted 14°.
    const double band = std::max(80.0, width() * 0.35);
    const double travel = width() + 2 * band;
    const double x = -band + phase() * travel;
    const double tilt = std::tan(qDegreesToRadians(14.0)) * height();
    QLinearGradient gradient(QPointF(x, 0), QPointF(x + band, tilt));
    gradient.setColorAt(0.0, QColor(255, 255, 255, int(0.04 * 255)));
    gradient.setColorAt(0.5, QColor(255, 255, 255, int(0.25 * 255)));
    gradient.setColorAt(1.0, QColor(255, 255, 255, int(0.04 * 255)));
    painter.setClipPath(bars);
    painter.fillRect(rect(), gradient);
}
