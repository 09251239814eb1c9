#include "insights/BoardOverviewCard.h"

#include "insights/BoardOverviewLegend.h"
#include "insights/BoardOverviewStatusBar.h"
#include "insights/InsightsPalette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QLabel* cardLabel(const QString& text, const QString& name, qreal pointSize, bool bold, const QColor& color,
    QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QString itemCountText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
}

QString membersText(const Board& board)
{
    QStringList names;
    for (const BoardUser& user : board.users) {
        const QString name = user.displayName.value_or(QString()).trimmed();
        names.append(name.isEmpty() ? user.mentionHandle() : name);
    }
    constexpr qsizetype shown = 3;
    if (names.size() > shown)
        return names.first(shown).join(QStringLiteral(", ")) + QStringLiteral(" +%1").arg(names.size() - shown);
    return names.join(QStringLiteral(", "));
}

} // namespace

BoardOverviewCard::BoardOverviewCard(const Board& board, QWidget* parent)
    : QFrame(parent)
    , m_boardId(board.id)
{
    const OverallBoardProgress progress = board.overallProgress();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(10);

    auto* top = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    QLabel* name = cardLabel(board.name, QStringLiteral("boardName"), 13, true, InsightsPalette::primaryText(), this);
    name->setTextFormat(Qt::PlainText);
    titles->addWidget(name);
    titles->addWidget(cardLabel(itemCountText(progress.total), QStringLiteral("itemCount"), 10, false,
        InsightsPalette::secondaryText(), this));
    top->addLayout(titles, 1);

    const QString percent = percentText(progress.total, progress.done);
    QLabel* done = cardLabel(percent, QStringLiteral("donePercent"), 17, true,
        InsightsPalette::seriesColor(StatusSeries::done).lighter(150), this);
    done->setAlignment(Qt::AlignRight | Qt::AlignTop);
    done->setAccessibleName(QStringLiteral("Percent of items marked done"));
    done->setAccessibleDescription(QStringLiteral("%1 percent").arg(percent.chopped(1)));
    top->addWidget(done);
    layout->addLayout(top);

    layout->addWidget(new BoardOverviewStatusBar(progress, this));
    layout->addWidget(new BoardOverviewLegend(progress, this));

    if (!board.users.isEmpty()) {
        QLabel* members = cardLabel(membersText(board), QStringLiteral("members"), 9.5, false,
            InsightsPalette::secondaryText(), this);
        members->setTextFormat(Qt::PlainText);
        layout->addWidget(members);
    }
    layout->addStretch();
}

void BoardOverviewCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(InsightsPalette::gridLine(), 1));
    painter.setBrush(InsightsPalette::cardBackground());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
}
