// A board's dashboard: four sections answering how the board is doing, drawn from the board's
// items with the user's calendar. Call setBoard again whenever the board changes.
#pragma once

#include "domain/Board.h"
#include "insights/DashboardCalendar.h"

#include <QWidget>

#include <functional>

class DashboardSection;
class QLabel;
class QGridLayout;

class BoardDashboardView : public QWidget
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // The calendar and the clock default to the user's calendar and the system clock.
    explicit BoardDashboardView(QWidget* parent = nullptr);

    void setBoard(const Board& board);
    void setCalendar(const DashboardCalendar& calendar);
    void setClock(Clock clock);

    const Board& board() const { return m_board; }
    // In order: progress trend, status breakdown, cycle time trend, board activity.
    QList<DashboardSection*> sections() const { return m_sections; }

    bool isHoveringStatusTrend() const;
    bool isHoveringStatusBreakdown() const;
    bool isHoveringCycleTime() const;
    bool isHoveringActivity() const;

private:
    void rebuild();
    bool isHovering(qsizetype section) const;

    Board m_board;
    DashboardCalendar m_calendar;
    Clock m_clock;
    QLabel* m_boardName;
    QGridLayout* m_grid;
    QList<DashboardSection*> m_sections;
};
