#include "insights/BoardDashboardView.h"

#include "insights/BoardDashboardMetrics.h"
#include "insights/DashboardChartView.h"
#include "insights/DashboardCharts.h"
#include "insights/DashboardSection.h"
#include "insights/InsightsPalette.h"
#include "insights/ScrollingPage.h"
#include "plaintext/UntrustedText.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

BoardDashboardView::BoardDashboardView(QWidget* parent)
    : QWidget(parent)
    , m_calendar(DashboardCalendar::system())
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    const ScrollingPage page = ScrollingPage::make(this, QMargins(24, 24, 24, 24), 16);
    QWidget* content = page.content;
    QVBoxLayout* layout = page.layout;
    m_boardName = UntrustedText::label(QString(), content);
    m_boardName->setObjectName(QStringLiteral("boardName"));
    QFont font = m_boardName->font();
    font.setPointSizeF(18);
    font.setBold(true);
    m_boardName->setFont(font);
    layout->addWidget(m_boardName);
    m_grid = new QGridLayout;
    m_grid->setSpacing(16);
    m_grid->setColumnStretch(0, 1);
    m_grid->setColumnStretch(1, 1);
    layout->addLayout(m_grid);
    layout->addStretch();
    rebuild();
}

void BoardDashboardView::setBoard(const Board& board)
{
    m_board = board;
    rebuild();
}

void BoardDashboardView::setCalendar(const DashboardCalendar& calendar)
{
    m_calendar = calendar;
    rebuild();
}

void BoardDashboardView::setClock(Clock clock)
{
    m_clock = std::move(clock);
    rebuild();
}

void BoardDashboardView::rebuild()
{
    qDeleteAll(m_sections);
    m_sections.clear();
    m_boardName->setText(m_board.name);

    const BoardDashboardMetrics metrics = BoardDashboardMetrics::compute(m_board, m_calendar, m_clock());
    const QTimeZone& zone = m_calendar.timeZone();
    const auto chartOrEmpty = [](bool empty, auto build) -> QWidget* { return empty ? nullptr : build(); };

    m_sections = {
        new DashboardSection({ QStringLiteral("Progress trend"), QStringLiteral("Are we actually finishing things?"),
                                 QStringLiteral("Daily cumulative totals by status for this board (Todo, In "
                                                "Progress, Done).") },
            chartOrEmpty(metrics.statusTrend.isEmpty(),
                [&] { return DashboardCharts::statusTrend(metrics.statusTrend, zone); })),
        new DashboardSection({ QStringLiteral("Status breakdown"), QStringLiteral("How much is in motion vs completed?"),
                                 QStringLiteral("Current share of Todo, In Progress, and Done items on this board.") },
            chartOrEmpty(metrics.statusBreakdown.isEmpty(),
                [&] { return DashboardCharts::statusBreakdown(metrics.statusBreakdown); })),
        new DashboardSection({ QStringLiteral("Cycle time trend"),
                                 QStringLiteral("Are tasks taking longer to finish lately?"),
                                 QStringLiteral("Average days from creation to completion for items finished in "
                                                "each calendar week.") },
            chartOrEmpty(metrics.cycleTimeTrend.isEmpty(),
                [&] { return DashboardCharts::cycleTime(metrics.cycleTimeTrend, zone); })),
        new DashboardSection({ QStringLiteral("Board activity over time"),
                                 QStringLiteral("Are we adding tasks faster than finishing them?"),
                                 QStringLiteral("Items created per calendar week (including weeks with zero "
                                                "activity).") },
            chartOrEmpty(metrics.activityTrend.isEmpty(),
                [&] { return DashboardCharts::activity(metrics.activityTrend, zone); })),
    };
    for (qsizetype index = 0; index < m_sections.size(); ++index) {
        m_grid->addWidget(m_sections[index], static_cast<int>(index / 2), static_cast<int>(index % 2));
        // A layout only shows new children of a visible parent later; show them now.
        m_sections[index]->show();
    }
}

bool BoardDashboardView::isHovering(qsizetype section) const
{
    return section < m_sections.size() && m_sections[section]->isHovering();
}

bool BoardDashboardView::isHoveringStatusTrend() const { return isHovering(0); }
bool BoardDashboardView::isHoveringStatusBreakdown() const { return isHovering(1); }
bool BoardDashboardView::isHoveringCycleTime() const { return isHovering(2); }
bool BoardDashboardView::isHoveringActivity() const { return isHovering(3); }
