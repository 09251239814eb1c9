#include "insights/BoardsOverviewSummary.h"

BoardsOverviewSummary BoardsOverviewSummary::from(const QList<Board>& boards)
{
    BoardsOverviewSummary summary;
    for (const Board& board : boards) {
        if (!board.isActive)
            continue;
        (board.syncWithServer ? summary.cloudBoards : summary.localBoards).append(board);
        const OverallBoardProgress progress = board.overallProgress();
        summary.boardCount += 1;
        summary.totals.total += progress.total;
        summary.totals.done += progress.done;
        summary.totals.inProgress += progress.inProgress;
        summary.totals.todo += progress.todo;
    }
    return summary;
}

QList<QUuid> BoardsOverviewSummary::boardsWithoutMembers() const
{
    QList<QUuid> ids;
    for (const Board& board : cloudBoards) {
        if (board.users.isEmpty())
            ids.append(board.id);
    }
    return ids;
}

QString overviewStatusLabel(ItemStatus status)
{
    return itemStatusTitle(status);
}

QList<SegmentDescriptor> statusBarSegments(const OverallBoardProgress& summary)
{
    QList<SegmentDescriptor> segments;
    if (summary.total < 1)
        return segments;
    const std::pair<ItemStatus, qint64> counts[] = { { ItemStatus::done, summary.done },
        { ItemStatus::inProgress, summary.inProgress }, { ItemStatus::todo, summary.todo } };
    for (const auto& [status, count] : counts) {
        if (count > 0)
            segments.append({ status, overviewStatusLabel(status),
                static_cast<double>(count) / static_cast<double>(summary.total) });
    }
    return segments;
}
