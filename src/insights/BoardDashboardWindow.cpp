#include "insights/BoardDashboardWindow.h"

#include "insights/BoardDashboardView.h"
#include "insights/InsightsPalette.h"

#include <QVBoxLayout>

BoardDashboardWindow::BoardDashboardWindow(const Board& board, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_view(new BoardDashboardView(this))
{
    setObjectName(QString::fromLatin1(identifier));
    setWindowTitle(QStringLiteral("Board Dashboard"));
    resize(1100, 700);
    InsightsPalette::applyDarkScheme(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setBoard(board);
}

void BoardDashboardWindow::setBoard(const Board& board)
{
    m_view->setBoard(board);
}
