#include "insights/BoardOverviewStatusBar.h"

#include "insights/InsightsPalette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int barHeight = 10;

} // namespace

BoardOverviewStatusBar::BoardOverviewStatusBar(const OverallBoardProgress& summary, QWidget* parent)
    : QWidget(parent)
    , m_segments(statusBarSegments(summary))
{
    setMinimumHeight(barHeight);
    if (!m_segments.isEmpty())
        return;
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_noItems = new QLabel(QStringLiteral("No items"), this);
    m_noItems->setObjectName(QStringLiteral("noItems"));
    QPalette palette = m_noItems->palette();
    palette.setColor(QPalette::WindowText, InsightsPalette::secondaryText());
    m_noItems->setPalette(palette);
    layout->addWidget(m_noItems);
}

QList<QRectF> BoardOverviewStatusBar::segmentRects() const
{
    QList<QRectF> rects;
    const QRectF bar(0, (height() - barHeight) / 2.0, width(), barHeight);
    qreal left = bar.left();
    for (qsizetype index = 0; index < m_segments.size(); ++index) {
        // The last segment takes what rounding left over, so the bar always ends flush.
        const qreal right = index + 1 == m_segments.size() ? bar.right() : left + bar.width() * m_segments[index].value;
        rects.append(QRectF(left, bar.top(), right - left, bar.height()));
        left = right;
    }
    return rects;
}

void BoardOverviewStatusBar::paintEvent(QPaintEvent*)
{
    if (m_segments.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar(0, (height() - barHeight) / 2.0, width(), barHeight);
    QPainterPath clip;
    clip.addRoundedRect(bar, barHeight / 2.0, barHeight / 2.0);
    painter.setClipPath(clip);
    const QList<QRectF> rects = segmentRects();
    for (qsizetype index = 0; index < rects.size(); ++index)
        painter.fillRect(rects[index], InsightsPalette::statusColor(m_segments[index].status));
}
