// The window that shows one board's dashboard ("board-dashboard").
#pragma once

#include "domain/Board.h"

#include <QWidget>

class BoardDashboardView;

class BoardDashboardWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* identifier = "board-dashboard";

    explicit BoardDashboardWindow(const Board& board, QWidget* parent = nullptr);

    // Refreshes the charts with the board's current items.
    void setBoard(const Board& board);
    BoardDashboardView* view() const { return m_view; }

private:
    BoardDashboardView* m_view;
};
