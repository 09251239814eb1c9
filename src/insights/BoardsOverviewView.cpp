#include "insights/BoardsOverviewView.h"

#include "insights/BoardOverviewCard.h"
#include "insights/BoardsOverviewSummary.h"
#include "insights/InsightsPalette.h"
#include "insights/ScrollingPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLabel* styledLabel(const QString& text, qreal pointSize, bool bold, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
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

BoardsOverviewView::BoardsOverviewView(QWidget* parent)
    : QWidget(parent)
{
    const ScrollingPage page = ScrollingPage::make(this, QMargins(28, 24, 28, 24), gridSpacing);
    // The cards wrap into fewer columns instead: the page only ever scrolls down.
    page.scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll = page.scroll;
    QWidget* content = page.content;
    QVBoxLayout* layout = page.layout;

    // Five totals, each a number above its label.
    auto* header = new QHBoxLayout;
    header->setSpacing(gridSpacing);
    for (const QString& label : { QStringLiteral("Boards"), QStringLiteral("Items"), QStringLiteral("Done"),
             QStringLiteral("In Progress"), QStringLiteral("Todo") }) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        QLabel* number = styledLabel(QStringLiteral("0"), 22, true, InsightsPalette::primaryText(), content);
        number->setObjectName(QStringLiteral("total") + QString(label).remove(QLatin1Char(' ')));
        column->addWidget(number);
        QLabel* caption = styledLabel(label, 10, false, InsightsPalette::secondaryText(), content);
        caption->setObjectName(QStringLiteral("totalLabel"));
        column->addWidget(caption);
        header->addLayout(column);
        m_totals.append(number);
    }
    header->addStretch();
    layout->addLayout(header);

    // One grid for both groups, so that local and cloud cards line up in the same columns.
    m_groupsHost = new QWidget(content);
    m_grid = new QGridLayout(m_groupsHost);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setSpacing(gridSpacing);
    layout->addWidget(m_groupsHost);
    layout->addStretch();
}

void BoardsOverviewView::setBoards(const QList<Board>& boards)
{
    m_boards = boards;
    rebuild();
}

void BoardsOverviewView::setFetchBoardDetails(FetchBoardDetails fetch)
{
    m_fetchBoardDetails = std::move(fetch);
}

void BoardsOverviewView::rebuild()
{
    const BoardsOverviewSummary summary = BoardsOverviewSummary::from(m_boards);
    const qint64 totals[] = { summary.boardCount, summary.totals.total, summary.totals.done,
        summary.totals.inProgress, summary.totals.todo };
    for (qsizetype index = 0; index < m_totals.size(); ++index)
        m_totals[index]->setText(QString::number(totals[index]));

    while (QLayoutItem* item = m_grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int column = 0; column < gridColumns; ++column)
        m_grid->setColumnStretch(column, column < m_columns ? 1 : 0);
    int row = 0;
    addBoardGroup(QStringLiteral("Local boards"), summary.localBoards, row);
    addBoardGroup(QStringLiteral("Cloud boards"), summary.cloudBoards, row);
}

void BoardsOverviewView::addBoardGroup(const QString& heading, const QList<Board>& boards, int& row)
{
    if (boards.isEmpty())
        return;
    QLabel* title = styledLabel(heading, 14, true, InsightsPalette::primaryText(), m_groupsHost);
    title->setObjectName(QStringLiteral("groupHeading"));
    m_grid->addWidget(title, row++, 0, 1, m_columns);
    title->show();
    for (qsizetype index = 0; index < boards.size(); ++index) {
        auto* card = new BoardOverviewCard(boards[index], m_groupsHost);
        card->setMinimumWidth(minimumCardWidth);
        m_grid->addWidget(card, row + static_cast<int>(index / m_columns), static_cast<int>(index % m_columns));
        card->show();
    }
    row += static_cast<int>((boards.size() + m_columns - 1) / m_columns);
}

int BoardsOverviewView::columnsForWidth(int width)
{
    const int fitting = (width + gridSpacing) / (minimumCardWidth + gridSpacing);
    return std::clamp(fitting, 1, gridColumns);
}

void BoardsOverviewView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateColumns();
}

void BoardsOverviewView::updateColumns()
{
    // From the view's own width: a page hidden behind another has not laid out its scroll area yet.
    const QMargins margins = m_groupsHost->parentWidget()->layout()->contentsMargins();
    const int scrollBar = m_scroll->verticalScrollBar()->sizeHint().width();
    const int columns = columnsForWidth(width() - margins.left() - margins.right() - scrollBar);
    if (columns != m_columns) {
        m_columns = columns;
        rebuild();
    }
}

void BoardsOverviewView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateColumns();
    // The task runs on by itself; the view's guard inside it covers the view going away.
    loadMembers();
}

QCoro::Task<void> BoardsOverviewView::loadMembers()
{
    if (m_isFetchingUsers || !m_fetchBoardDetails)
        co_return;
    setFetchingUsers(true);
    const QPointer<BoardsOverviewView> self(this);
    const QList<QUuid> boardIds = BoardsOverviewSummary::from(m_boards).boardsWithoutMembers();
    const FetchBoardDetails fetch = m_fetchBoardDetails;
    for (const QUuid& boardId : boardIds) {
        co_await fetch(boardId);
        if (!self)
            co_return;
    }
    setFetchingUsers(false);
}

void BoardsOverviewView::setFetchingUsers(bool fetching)
{
    if (m_isFetchingUsers == fetching)
        return;
    m_isFetchingUsers = fetching;
    Q_EMIT isFetchingUsersChanged(fetching);
}
