#include "insights/BoardOverviewLegend.h"

#include "insights/BoardsOverviewSummary.h"
#include "insights/InsightsPalette.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

namespace {

// The small colour swatch in front of a legend row.
class LegendSwatch : public QWidget
{
public:
    LegendSwatch(const QColor& color, QWidget* parent)
        : QWidget(parent)
        , m_color(color)
    {
        setFixedSize(10, 10);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QColor m_color;
};

} // namespace

QList<LegendRow> BoardOverviewLegend::rows(const OverallBoardProgress& summary)
{
    QList<LegendRow> rows;
    const std::pair<ItemStatus, qint64> counts[] = { { ItemStatus::todo, summary.todo },
        { ItemStatus::inProgress, summary.inProgress }, { ItemStatus::done, summary.done } };
    for (const auto& [status, count] : counts)
        rows.append({ QUuid::createUuid(), overviewStatusLabel(status), count, InsightsPalette::statusColor(status) });
    return rows;
}

BoardOverviewLegend::BoardOverviewLegend(const OverallBoardProgress& summary, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(4);
    int line = 0;
    for (const LegendRow& row : rows(summary)) {
        layout->addWidget(new LegendSwatch(row.color, this), line, 0, Qt::AlignVCenter);
        auto* label = new QLabel(row.label, this);
        label->setObjectName(QStringLiteral("legendLabel"));
        layout->addWidget(label, line, 1);
        auto* count = new QLabel(QString::number(row.count), this);
        count->setObjectName(QStringLiteral("legendCount"));
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QPalette palette = count->palette();
        palette.setColor(QPalette::WindowText, InsightsPalette::secondaryText());
        count->setPalette(palette);
        layout->addWidget(count, line, 2);
        ++line;
    }
    layout->setColumnStretch(1, 1);
}
