#include "InsightsTestData.h"

#include <QTest>

QDateTime instant(const QString& text)
{
    const QDateTime value = QDateTime::fromString(text, Qt::ISODate);
    if (!value.isValid())
        qFatal("bad instant in test data: %s", qPrintable(text));
    return value.toUTC();
}

namespace {

QString utcText(const QDateTime& value)
{
    return value.toUTC().toString(Qt::ISODate);
}

} // namespace

Item itemFromLine(const QString& line)
{
    const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 3)
        qFatal("bad item line in test data: %s", qPrintable(line));
    Item item;
    item.id = QUuid::createUuid();
    const auto status = itemStatusFromText(parts[0]);
    if (!status)
        qFatal("bad status in test data: %s", qPrintable(line));
    item.status = *status;
    item.createdAt = instant(parts[1]);
    item.updatedAt = instant(parts[2]);
    if (parts.contains(QStringLiteral("archived")))
        item.archivedAt = item.updatedAt;
    if (parts.contains(QStringLiteral("deleted")))
        item.deletedAt = item.updatedAt;
    return item;
}

Board boardWithItems(const QStringList& lines, const QString& name)
{
    Board board;
    board.id = QUuid::createUuid();
    board.name = name;
    for (const QString& line : lines) {
        Item item = itemFromLine(line);
        item.boardId = board.id;
        board.items.append(item);
    }
    return board;
}

QStringList trendLines(const QList<StatusTrendPoint>& points)
{
    QStringList lines;
    for (const StatusTrendPoint& point : points)
        lines << QStringLiteral("%1 %2/%3/%4").arg(utcText(point.date)).arg(point.done).arg(point.inProgress).arg(point.todo);
    return lines;
}

QStringList breakdownLines(const QList<StatusSlice>& slices)
{
    QStringList lines;
    for (const StatusSlice& slice : slices)
        lines << QStringLiteral("%1 %2/%3").arg(itemStatusText(slice.status)).arg(slice.count).arg(slice.totalCount);
    return lines;
}

QStringList cycleLines(const QList<CycleTimePoint>& points)
{
    QStringList lines;
    for (const CycleTimePoint& point : points)
        lines << QStringLiteral("%1 %2").arg(utcText(point.weekStart)).arg(point.averageDays, 0, 'g', 6);
    return lines;
}

QStringList activityLines(const QList<ActivityPoint>& points)
{
    QStringList lines;
    for (const ActivityPoint& point : points)
        lines << QStringLiteral("%1 %2").arg(utcText(point.weekStart)).arg(point.count);
    return lines;
}
