#include "insights/BoardsOverviewView.h"

#include "insights/BoardOverviewCard.h"
#include "insights/BoardsOverviewSummary.h"
#include "insights/InsightsPalette.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

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
    InsightsPalette::applyDarkScheme(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);

    auto* content = new QWidget(scroll);
    InsightsPalette::applyDarkScheme(content);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->setSpacing(gridSpacing);

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

    m_groupsHost = new QWidget(content);
    m_groups = new QVBoxLayout(m_groupsHost);
    m_groups->setContentsMargins(0, 0, 0, 0);
    m_groups->setSpacing(gridSpacing);
    layout->addWidget(m_groupsHost);
    layout->addStretch();
    scroll->setWidget(content);
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

    while (QLayoutItem* item = m_groups->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    addBoardGroup(QStringLiteral("Local boards"), summary.localBoards);
    addBoardGroup(QStringLiteral("Cloud boards"), summary.cloudBoards);
}

void BoardsOverviewView::addBoardGroup(const QString& heading, const QList<Board>& boards)
{
    if (boards.isEmpty())
        return;
    auto* group = new QWidget(m_groupsHost);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    QLabel* title = styledLabel(heading, 14, true, InsightsPalette::primaryText(), group);
    title->setObjectName(QStringLiteral("groupHeading"));
    layout->addWidget(title);
    auto* grid = new QGridLayout;
    grid->setSpacing(gridSpacing);
    for (int column = 0; column < gridColumns; ++column)
        grid->setColumnStretch(column, 1);
    for (qsizetype index = 0; index < boards.size(); ++index) {
        grid->addWidget(new BoardOverviewCard(boards[index], group), static_cast<int>(index / gridColumns),
            static_cast<int>(index % gridColumns));
    }
    layout->addLayout(grid);
    m_groups->addWidget(group);
}

void BoardsOverviewView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
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
