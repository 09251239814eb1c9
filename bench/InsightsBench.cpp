// Times the dashboard metrics of a board with 10,000 items created over two years, beside a plain
// single pass over the same items (the board's status tally) as the baseline.
#include "insights/BoardDashboardMetrics.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

Board twoYearBoard(const QDateTime& now, int itemCount)
{
    QRandomGenerator random(20240306);
    Board board;
    board.id = QUuid::createUuid();
    board.name = QStringLiteral("Bench");
    const qint64 twoYears = 2LL * 365 * 24 * 60 * 60;
    for (int index = 0; index < itemCount; ++index) {
        Item item;
        item.id = QUuid::createUuid();
        item.boardId = board.id;
        item.content = QStringLiteral("Item %1").arg(index);
        item.status = allItemStatuses[static_cast<size_t>(random.bounded(3))];
        item.createdAt = now.addSecs(-static_cast<qint64>(random.bounded(static_cast<double>(twoYears))));
        item.updatedAt = item.createdAt.addSecs(random.bounded(30 * 24 * 60 * 60));
        if (random.bounded(10) == 0)
            item.archivedAt = item.updatedAt;
        if (random.bounded(50) == 0)
            item.deletedAt = item.updatedAt;
        board.items.append(item);
    }
    return board;
}

template<typename Work>
double medianMs(int runs, Work work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Board board = twoYearBoard(now, 10000);
    QTextStream out(stdout);
    qint64 sink = 0;
    for (const auto& [label, calendar] : { std::pair { "UTC, Monday-first", DashboardCalendar(Qt::Monday, QTimeZone::utc()) },
             std::pair { "Europe/Berlin, Monday-first", DashboardCalendar(Qt::Monday, QTimeZone("Europe/Berlin")) },
             std::pair { "America/New_York, Sunday-first",
                 DashboardCalendar(Qt::Sunday, QTimeZone("America/New_York")) } }) {
        const double metrics = medianMs(21, [&] {
            const BoardDashboardMetrics result = BoardDashboardMetrics::compute(board, calendar, now);
            sink += result.statusTrend.size() + result.activityTrend.size();
        });
        const double baseline = medianMs(21, [&] { sink += board.overallProgress().done; });
        out << label << ": metrics " << QString::number(metrics, 'f', 2) << " ms, plain pass "
            << QString::number(baseline, 'f', 2) << " ms, ratio " << QString::number(metrics / baseline, 'f', 1)
            << "\n";
    }
    out << "(" << sink << ")\n";
    return 0;
}
