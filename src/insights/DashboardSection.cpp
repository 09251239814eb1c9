#include "insights/DashboardSection.h"

#include "insights/EmptyChartPlaceholder.h"
#include "insights/InsightsPalette.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QLabel* sectionLabel(const QString& text, const QString& name, qreal pointSize, bool bold, const QColor& color,
    QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace

DashboardSection::DashboardSection(const DashboardSectionText& text, QWidget* chart, QWidget* parent)
    : QFrame(parent)
    , m_isEmpty(chart == nullptr)
{
    setAttribute(Qt::WA_Hover);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(4);
    m_title = sectionLabel(text.title, QStringLiteral("sectionTitle"), 13, true, InsightsPalette::primaryText(), this);
    layout->addWidget(m_title);
    layout->addWidget(sectionLabel(text.insight, QStringLiteral("sectionInsight"), 10.5, false,
        InsightsPalette::secondaryText(), this));
    layout->addSpacing(6);

    QWidget* body = chart ? chart : new EmptyChartPlaceholder(this);
    body->setParent(this);
    body->setFixedHeight(chartHeight);
    layout->addWidget(body);

    if (text.detail) {
        layout->addSpacing(4);
        layout->addWidget(sectionLabel(*text.detail, QStringLiteral("sectionDetail"), 9.5, false,
            InsightsPalette::secondaryText(), this));
    }
}

QString DashboardSection::title() const
{
    return m_title->text();
}

void DashboardSection::enterEvent(QEnterEvent* event)
{
    setHovering(true);
    QFrame::enterEvent(event);
}

void DashboardSection::leaveEvent(QEvent* event)
{
    setHovering(false);
    QFrame::leaveEvent(event);
}

void DashboardSection::setHovering(bool hovering)
{
    if (m_isHovering == hovering)
        return;
    m_isHovering = hovering;
    update();
    Q_EMIT hoveringChanged(hovering);
}

void DashboardSection::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_isHovering ? InsightsPalette::gridLine().lighter(140) : InsightsPalette::gridLine(), 1));
    painter.setBrush(InsightsPalette::cardBackground());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
}
