// The archived boards of one storage kind, as plain board rows (no dividers, no dragging). Choosing
// a row selects its board.
#pragma once

#include "domain/Board.h"

#include <QListWidget>

class BoardViewModel;
class SidebarBoardDelegate;

class SidebarArchivedList : public QListWidget
{
    Q_OBJECT

public:
    SidebarArchivedList(BoardViewModel& workspace, const QString& name, QWidget* parent = nullptr);

    void setBoards(const QList<Board>& boards);
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    BoardViewModel& m_workspace;
    SidebarBoardDelegate* m_delegate = nullptr;
};
