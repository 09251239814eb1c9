#include "insights/BoardDashboardMetrics.h"

#include <QMap>

#include <algorithm>
#include <vector>

namespace {

// The calendar days on which one live item was created and last changed.
struct ItemDays
{
    QDate created;
    QDate updated;
    ItemStatus status;
};

// Adds one to every day from `from` (clamped) to the end of the series, by its difference array.
void addFrom(std::vector<qint64>& deltas, qint64 from)
{
    const qint64 size = static_cast<qint64>(deltas.size()) - 1;
    deltas[static_cast<size_t>(std::clamp<qint64>(from, 0, size))] += 1;
}

// Adds one to the days [from, to) of the series.
void addRange(std::vector<qint64>& deltas, qint64 from, qint64 to)
{
    const qint64 size = static_cast<qint64>(deltas.size()) - 1;
    from = std::clamp<qint64>(from, 0, size);
    to = std::clamp<qint64>(to, 0, size);
    if (from >= to)
        return;
    deltas[static_cast<size_t>(from)] += 1;
    deltas[static_cast<size_t>(to)] -= 1;
}

QList<StatusTrendPoint> dailyStatusTotals(const std::vector<ItemDays>& items, const DashboardCalendar& calendar,
    QDate today)
{
    if (items.empty())
        return {};
    QDate first = items.front().created;
    for (const ItemDays& item : items)
        first = std::min(first, item.created);
    if (first > today)
        return {};

    // Each item adds one to one status from a start day on, and possibly one status earlier for the
    // days before its last change; difference arrays keep this linear in items plus days.
    const qint64 dayCount = first.daysTo(today) + 1;
    std::vector<qint64> todo(static_cast<size_t>(dayCount) + 1);
    std::vector<qint64> inProgress(todo.size());
    std::vector<qint64> done(todo.size());
    for (const ItemDays& item : items) {
        const qint64 created = first.daysTo(item.created);
        const qint64 reached = std::max(created, first.daysTo(item.updated));
        switch (item.status) {
        case ItemStatus::todo:
            addFrom(todo, created);
            break;
        case ItemStatus::inProgress:
            addRange(todo, created, reached);
            addFrom(inProgress, reached);
            break;
        case ItemStatus::done:
            addRange(inProgress, created, reached);
            addFrom(done, reached);
            break;
        }
    }

    QList<StatusTrendPoint> points;
    points.reserve(dayCount);
    StatusTrendPoint running;
    QDate day = first;
    for (qint64 index = 0; index < dayCount; ++index, day = day.addDays(1)) {
        if (!day.isValid())
            break;
        running.todo += todo[static_cast<size_t>(index)];
        running.inProgress += inProgress[static_cast<size_t>(index)];
        running.done += done[static_cast<size_t>(index)];
        running.date = calendar.startOfDay(day);
        points.append(running);
    }
    return points;
}

QList<StatusSlice> statusShares(const std::vector<ItemDays>& items)
{
    if (items.empty())
        return {};
    QList<StatusSlice> slices;
    const qint64 total = static_cast<qint64>(items.size());
    for (const ItemStatus status : allItemStatuses) {
        const qint64 count = std::count_if(items.begin(), items.end(),
            [status](const ItemDays& item) { return item.status == status; });
        slices.append({ status, count, total });
    }
    return slices;
}

QList<CycleTimePoint> weeklyCycleTimes(const QList<const Item*>& items, const DashboardCalendar& calendar,
    const std::vector<ItemDays>& days)
{
    struct Sum
    {
        double days = 0.0;
        qint64 count = 0;
    };
    QMap<QDate, Sum> weeks;
    for (qsizetype index = 0; index < items.size(); ++index) {
        const Item& item = *items[index];
        if (item.status != ItemStatus::done)
            continue;
        const double seconds = static_cast<double>(item.createdAt.secsTo(item.updatedAt));
        Sum& sum = weeks[calendar.weekStart(days[static_cast<size_t>(index)].updated)];
        sum.days += seconds > 0 ? seconds / 86400.0 : 0.0;
        sum.count += 1;
    }
    QList<CycleTimePoint> points;
    for (auto week = weeks.cbegin(); week != weeks.cend(); ++week)
        points.append({ calendar.startOfDay(week.key()), week->days / static_cast<double>(week->count) });
    return points;
}

QList<ActivityPoint> weeklyCreations(const std::vector<ItemDays>& items, const DashboardCalendar& calendar,
    QDate today)
{
    QMap<QDate, qint64> created;
    for (const ItemDays& item : items)
        created[calendar.weekStart(item.created)] += 1;

    const QDate current = calendar.weekStart(today);
    const QDate earliest = created.isEmpty() ? current : created.firstKey();
    const QDate floor = current.addDays(-7 * 7);
    QList<ActivityPoint> points;
    for (QDate week = std::min(floor, earliest); week.isValid() && week <= current; week = week.addDays(7))
        points.append({ calendar.startOfDay(week), created.value(week, 0) });
    return points;
}

// Turns instants into calendar days without a time-zone conversion per instant: the zone's offsets
// over the instants' range are read once, and each instant then costs a binary search.
class LocalDays
{
public:
    LocalDays(const QTimeZone& zone, const QDateTime& from, const QDateTime& to)
        : m_zone(zone)
        , m_from(from.toMSecsSinceEpoch())
        , m_to(to.toMSecsSinceEpoch())
        , m_initialOffsetMs(1000LL * zone.offsetFromUtc(from))
    {
        for (const QTimeZone::OffsetData& transition : zone.transitions(from, to))
            m_transitions.push_back({ transition.atUtc.toMSecsSinceEpoch(), 1000LL * transition.offsetFromUtc });
    }

    QDate date(const QDateTime& instant) const
    {
        const qint64 msecs = instant.toMSecsSinceEpoch();
        if (!instant.isValid() || msecs < m_from || msecs > m_to)
            return instant.toTimeZone(m_zone).date();
        const auto next = std::upper_bound(m_transitions.begin(), m_transitions.end(), msecs,
            [](qint64 value, const Transition& transition) { return value < transition.atMs; });
        const qint64 offset = next == m_transitions.begin() ? m_initialOffsetMs : (next - 1)->offsetMs;
        constexpr qint64 msecsPerDay = 86'400'000;
        constexpr qint64 julianDayOfEpoch = 2'440'588;
        const qint64 local = msecs + offset;
        const qint64 day = local / msecsPerDay - (local % msecsPerDay < 0 ? 1 : 0);
        return QDate::fromJulianDay(day + julianDayOfEpoch);
    }

private:
    struct Transition
    {
        qint64 atMs;
        qint64 offsetMs;
    };

    QTimeZone m_zone;
    qint64 m_from;
    qint64 m_to;
    qint64 m_initialOffsetMs;
    std::vector<Transition> m_transitions;
};

} // namespace

BoardDashboardMetrics BoardDashboardMetrics::compute(const Board& board, const DashboardCalendar& calendar,
    const QDateTime& now)
{
    QList<const Item*> live;
    live.reserve(board.items.size());
    for (const Item& item : board.items) {
        if (!item.isDeleted())
            live.append(&item);
    }
    QDateTime earliest = now;
    QDateTime latest = now;
    for (const Item* item : live) {
        for (const QDateTime& instant : { item->createdAt, item->updatedAt }) {
            if (!instant.isValid())
                continue;
            earliest = std::min(earliest, instant);
            latest = std::max(latest, instant);
        }
    }
    const LocalDays localDays(calendar.timeZone(), earliest, latest);
    std::vector<ItemDays> days;
    days.reserve(static_cast<size_t>(live.size()));
    for (const Item* item : live)
        days.push_back({ localDays.date(item->createdAt), localDays.date(item->updatedAt), item->status });

    const QDate today = calendar.localDate(now);
    BoardDashboardMetrics metrics;
    metrics.statusTrend = dailyStatusTotals(days, calendar, today);
    metrics.statusBreakdown = statusShares(days);
    metrics.cycleTimeTrend = weeklyCycleTimes(live, calendar, days);
    metrics.activityTrend = weeklyCreations(days, calendar, today);
    return metrics;
}
