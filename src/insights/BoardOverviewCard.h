// One board on the boards overview: its name, item count, share of done items, status bar,
// legend and, for a cloud board, its members.
#pragma once

#include "domain/Board.h"

#include <QFrame>

class BoardOverviewCard : public QFrame
{
    Q_OBJECT

public:
    explicit BoardOverviewCard(const Board& board, QWidget* parent = nullptr);

    QUuid boardId() const { return m_boardId; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QUuid m_boardId;
};
