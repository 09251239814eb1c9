// The dashboard's four series for boards whose days and weeks depend on the calendar given.
#include "InsightsTestData.h"
#include "insights/BoardDashboardMetrics.h"
#include "insights/ChartDateFormat.h"
#include "insights/DashboardCalendar.h"

#include <QLocale>
#include <QTest>

namespace {

DashboardCalendar calendar(const QByteArray& zone, int firstDay)
{
    const QTimeZone timeZone = zone == "UTC" ? QTimeZone::utc() : QTimeZone(zone);
    if (!timeZone.isValid())
        qFatal("time zone %s is not available", zone.constData());
    return DashboardCalendar(static_cast<Qt::DayOfWeek>(firstDay), timeZone);
}

// One line a period (`days` long) from the one that starts at `first`, with the value of each.
QStringList periodLines(const char* first, int days, const QStringList& values)
{
    QStringList lines;
    QDateTime start = instant(first);
    for (const QString& value : values) {
        lines << start.toString(Qt::ISODate) + QLatin1Char(' ') + value;
        start = start.addDays(days);
    }
    return lines;
}

QStringList weekLines(const char* first, const QList<int>& counts)
{
    QStringList values;
    for (const int count : counts)
        values << QString::number(count);
    return periodLines(first, 7, values);
}

} // namespace

class DashboardMetricsTest : public QObject
{
    Q_OBJECT

private slots:
    void statusTrend_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QStringList& items, const QStringList& expected,
                             const char* now = "2024-03-06T12:00:00Z", const char* zone = "UTC") {
            QTest::newRow(name) << QByteArray(zone) << items << QString::fromLatin1(now) << expected;
        };
        const auto days = [](const char* first, const QStringList& values) { return periodLines(first, 1, values); };

        row("no items", {}, {});
        row("only deleted items", { "DONE 2024-03-01T10:00:00Z 2024-03-02T10:00:00Z deleted" }, {});
        row("done the day it was created", { "DONE 2024-03-04T10:00:00Z 2024-03-04T15:00:00Z" },
            days("2024-03-04T00:00:00Z", { "1/0/0", "1/0/0", "1/0/0" }));
        row("done later counts as in progress before", { "DONE 2024-03-04T10:00:00Z 2024-03-06T09:00:00Z" },
            days("2024-03-04T00:00:00Z", { "0/1/0", "0/1/0", "1/0/0" }));
        row("in progress later counts as todo before", { "IN_PROGRESS 2024-03-04T10:00:00Z 2024-03-05T09:00:00Z" },
            days("2024-03-04T00:00:00Z", { "0/0/1", "0/1/0", "0/1/0" }));
        row("created today, in progress today", { "IN_PROGRESS 2024-03-06T08:00:00Z 2024-03-06T09:00:00Z" },
            { "2024-03-06T00:00:00Z 0/1/0" });
        row("created today, moved back to todo", { "TODO 2024-03-06T08:00:00Z 2024-03-06T10:00:00Z" },
            { "2024-03-06T00:00:00Z 0/0/1" });
        row("done before it was created", { "DONE 2024-03-05T10:00:00Z 2024-03-03T10:00:00Z" },
            days("2024-03-05T00:00:00Z", { "1/0/0", "1/0/0" }));
        row("archived counts, deleted does not",
            { "TODO 2024-03-05T10:00:00Z 2024-03-05T10:00:00Z archived", "DONE 2024-03-04T10:00:00Z 2024-03-04T11:00:00Z deleted",
                "DONE 2024-03-05T10:00:00Z 2024-03-06T11:00:00Z archived" },
            days("2024-03-05T00:00:00Z", { "0/1/1", "1/0/1" }));
        row("later items join on their day",
            { "TODO 2024-03-04T10:00:00Z 2024-03-04T10:00:00Z", "IN_PROGRESS 2024-03-05T23:59:59Z 2024-03-05T23:59:59Z" },
            days("2024-03-04T00:00:00Z", { "0/0/1", "0/1/1", "0/1/1" }), "2024-03-06T00:00:00Z");
        row("only items created after now", { "TODO 2024-03-08T10:00:00Z 2024-03-08T10:00:00Z" }, {});
        // 16:00 UTC is already the next morning in Tokyo; the days begin at 15:00 UTC there.
        const QStringList lateFinish { "DONE 2024-03-04T16:00:00Z 2024-03-05T14:00:00Z" };
        row("Tokyo days", lateFinish, days("2024-03-04T15:00:00Z", { "1/0/0", "1/0/0" }), "2024-03-05T20:00:00Z",
            "Asia/Tokyo");
        row("same instants in UTC days", lateFinish, days("2024-03-04T00:00:00Z", { "0/1/0", "1/0/0" }),
            "2024-03-05T20:00:00Z");
        // 03:00 UTC is still the previous evening in Los Angeles; winter days begin at 08:00 UTC.
        row("Los Angeles days", { "IN_PROGRESS 2024-03-05T03:00:00Z 2024-03-05T09:00:00Z" },
            days("2024-03-04T08:00:00Z", { "0/0/1", "0/1/0" }), "2024-03-05T10:00:00Z", "America/Los_Angeles");
        // The clocks go forward on 10 March: from then on the days begin an hour earlier in UTC.
        row("Los Angeles across daylight saving", { "TODO 2024-03-09T20:00:00Z 2024-03-09T20:00:00Z" },
            { "2024-03-09T08:00:00Z 0/0/1", "2024-03-10T08:00:00Z 0/0/1", "2024-03-11T07:00:00Z 0/0/1" },
            "2024-03-11T20:00:00Z", "America/Los_Angeles");
        // 07:30 UTC on 11 March is just after midnight in daylight time, but still 10 March in standard time.
        row("Los Angeles item just after a daylight-time midnight",
            { "TODO 2024-03-09T20:00:00Z 2024-03-09T20:00:00Z", "IN_PROGRESS 2024-03-11T07:30:00Z 2024-03-11T07:30:00Z" },
            { "2024-03-09T08:00:00Z 0/0/1", "2024-03-10T08:00:00Z 0/0/1", "2024-03-11T07:00:00Z 0/1/1" },
            "2024-03-11T20:00:00Z", "America/Los_Angeles");
    }

    void statusTrend()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QStringList, items);
        QFETCH(QString, now);
        QFETCH(QStringList, expected);

        const BoardDashboardMetrics metrics = BoardDashboardMetrics::compute(boardWithItems(items),
            calendar(zone, Qt::Monday), instant(now));
        QCOMPARE(trendLines(metrics.statusTrend), expected);
    }

    void statusBreakdown_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("no items") << QStringList() << QStringList();
        QTest::newRow("all deleted") << QStringList { "TODO 2024-03-01T10:00:00Z 2024-03-01T10:00:00Z deleted" }
                                     << QStringList();
        QTest::newRow("missing statuses count zero")
            << QStringList { "DONE 2024-03-01T10:00:00Z 2024-03-02T10:00:00Z",
                   "DONE 2024-03-01T10:00:00Z 2024-03-02T10:00:00Z archived" }
            << QStringList { "TODO 0/2", "IN_PROGRESS 0/2", "DONE 2/2" };
        QTest::newRow("mixed, deleted left out")
            << QStringList { "TODO 2024-03-01T10:00:00Z 2024-03-01T10:00:00Z",
                   "IN_PROGRESS 2024-03-01T10:00:00Z 2024-03-01T10:00:00Z",
                   "IN_PROGRESS 2024-03-01T10:00:00Z 2024-03-01T10:00:00Z deleted",
                   "DONE 2024-03-01T10:00:00Z 2024-03-01T10:00:00Z" }
            << QStringList { "TODO 1/3", "IN_PROGRESS 1/3", "DONE 1/3" };
    }

    void statusBreakdown()
    {
        QFETCH(QStringList, items);
        QFETCH(QStringList, expected);

        const BoardDashboardMetrics metrics = BoardDashboardMetrics::compute(boardWithItems(items),
            calendar("UTC", Qt::Monday), instant("2024-03-06T12:00:00Z"));
        QCOMPARE(breakdownLines(metrics.statusBreakdown), expected);
    }

    void cycleTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("firstDay");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("expected");

        // 2.5 days finished on Sunday 3 March, 2 days finished on Monday 4 March, and one whose last
        // change lies before its creation (0 days) on Monday 4 March. Unfinished items never count.
        const QStringList items { "DONE 2024-03-01T00:00:00Z 2024-03-03T12:00:00Z",
            "DONE 2024-03-02T00:00:00Z 2024-03-04T00:00:00Z archived", "DONE 2024-03-05T00:00:00Z 2024-03-04T06:00:00Z",
            "IN_PROGRESS 2024-02-01T00:00:00Z 2024-03-04T06:00:00Z", "DONE 2024-02-01T00:00:00Z 2024-03-04T06:00:00Z deleted" };

        const auto row = [](const char* name, const char* zone, Qt::DayOfWeek firstDay, const QStringList& items,
                             const QStringList& expected) {
            QTest::newRow(name) << QByteArray(zone) << int(firstDay) << items << expected;
        };
        row("Monday-first splits Sunday from Monday", "UTC", Qt::Monday, items,
            { "2024-02-26T00:00:00Z 2.5", "2024-03-04T00:00:00Z 1" });
        row("Sunday-first puts them in one week", "UTC", Qt::Sunday, items, { "2024-03-03T00:00:00Z 1.5" });
        // In Tokyo the Sunday-noon finish is already Sunday evening, and Monday 00:00 UTC is Monday 09:00.
        row("Tokyo Monday-first", "Asia/Tokyo", Qt::Monday, items, { "2024-02-25T15:00:00Z 2.5", "2024-03-03T15:00:00Z 1" });
        // In Los Angeles all three finishes are still on Sunday, so they share the week of 26 February.
        row("Los Angeles Monday-first", "America/Los_Angeles", Qt::Monday, items, { "2024-02-26T08:00:00Z 1.5" });
        row("no finished items", "UTC", Qt::Monday, { "TODO 2024-03-01T00:00:00Z 2024-03-03T12:00:00Z" }, {});
        row("mean is not rounded", "UTC", Qt::Monday,
            { "DONE 2024-03-04T00:00:00Z 2024-03-05T00:00:00Z", "DONE 2024-03-04T00:00:00Z 2024-03-04T08:00:00Z",
                "DONE 2024-03-04T00:00:00Z 2024-03-04T00:00:00Z" },
            { "2024-03-04T00:00:00Z 0.444444" });
    }

    void cycleTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, firstDay);
        QFETCH(QStringList, items);
        QFETCH(QStringList, expected);

        const BoardDashboardMetrics metrics = BoardDashboardMetrics::compute(boardWithItems(items),
            calendar(zone, firstDay), instant("2024-03-06T12:00:00Z"));
        QCOMPARE(cycleLines(metrics.cycleTimeTrend), expected);
    }

    void activity_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("firstDay");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QStringList& items, const QStringList& expected,
                             const char* now = "2024-03-06T12:00:00Z", const char* zone = "UTC",
                             Qt::DayOfWeek firstDay = Qt::Monday) {
            QTest::newRow(name) << QByteArray(zone) << int(firstDay) << items << QString::fromLatin1(now) << expected;
        };

        const QStringList eightEmptyMondayWeeks = weekLines("2024-01-15T00:00:00Z", { 0, 0, 0, 0, 0, 0, 0, 0 });
        row("no items: eight zero weeks", {}, eightEmptyMondayWeeks);
        row("all deleted: eight zero weeks",
            { "TODO 2024-03-04T10:00:00Z 2024-03-04T10:00:00Z deleted", "DONE 2023-01-04T10:00:00Z 2023-03-04T10:00:00Z deleted" },
            eightEmptyMondayWeeks);
        const QStringList sundayAndMonday { "TODO 2024-03-03T10:00:00Z 2024-03-03T10:00:00Z",
            "DONE 2024-03-04T10:00:00Z 2024-03-04T10:00:00Z archived" };
        row("Sunday creation, Monday-first", sundayAndMonday, weekLines("2024-01-15T00:00:00Z", { 0, 0, 0, 0, 0, 0, 1, 1 }));
        row("Sunday creation, Sunday-first", sundayAndMonday, weekLines("2024-01-14T00:00:00Z", { 0, 0, 0, 0, 0, 0, 0, 2 }),
            "2024-03-06T12:00:00Z", "UTC", Qt::Sunday);
        row("older items widen the range",
            { "TODO 2023-11-01T10:00:00Z 2023-11-01T10:00:00Z", "TODO 2024-01-02T10:00:00Z 2024-01-02T10:00:00Z" },
            weekLines("2023-10-30T00:00:00Z", { 1, 0, 0, 0, 0, 0, 0, 0, 0, 1 }), "2024-01-03T12:00:00Z");
        // Sunday 16:00 UTC is Monday morning in Tokyo: this week there, last week in UTC.
        row("Tokyo weeks", { "TODO 2024-03-03T16:00:00Z 2024-03-03T16:00:00Z" },
            weekLines("2024-01-14T15:00:00Z", { 0, 0, 0, 0, 0, 0, 0, 1 }), "2024-03-06T12:00:00Z", "Asia/Tokyo");
        // Monday 05:00 UTC is still Sunday night in Los Angeles: last week there, this week in UTC.
        row("Los Angeles weeks", { "TODO 2024-03-04T05:00:00Z 2024-03-04T05:00:00Z" },
            weekLines("2024-01-15T08:00:00Z", { 0, 0, 0, 0, 0, 0, 1, 0 }), "2024-03-06T12:00:00Z", "America/Los_Angeles");
        row("items after now are not in the range", { "TODO 2024-03-12T10:00:00Z 2024-03-12T10:00:00Z" },
            eightEmptyMondayWeeks);
    }

    void activity()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, firstDay);
        QFETCH(QStringList, items);
        QFETCH(QString, now);
        QFETCH(QStringList, expected);

        const BoardDashboardMetrics metrics = BoardDashboardMetrics::compute(boardWithItems(items),
            calendar(zone, firstDay), instant(now));
        QCOMPARE(activityLines(metrics.activityTrend), expected);
    }

    void weekStart_data()
    {
        QTest::addColumn<int>("firstDay");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QDate>("expected");

        QTest::newRow("Monday-first, Monday") << int(Qt::Monday) << QDate(2024, 3, 4) << QDate(2024, 3, 4);
        QTest::newRow("Monday-first, Sunday") << int(Qt::Monday) << QDate(2024, 3, 10) << QDate(2024, 3, 4);
        QTest::newRow("Sunday-first, Saturday") << int(Qt::Sunday) << QDate(2024, 3, 9) << QDate(2024, 3, 3);
        QTest::newRow("Sunday-first, Sunday") << int(Qt::Sunday) << QDate(2024, 3, 10) << QDate(2024, 3, 10);
        QTest::newRow("Saturday-first, Friday") << int(Qt::Saturday) << QDate(2024, 3, 8) << QDate(2024, 3, 2);
        QTest::newRow("across the new year") << int(Qt::Monday) << QDate(2025, 1, 1) << QDate(2024, 12, 30);
    }

    void weekStart()
    {
        QFETCH(int, firstDay);
        QFETCH(QDate, day);
        QFETCH(QDate, expected);

        QCOMPARE(calendar("UTC", firstDay).weekStart(day), expected);
    }

    void invalidZoneFallsBackToUtc()
    {
        const DashboardCalendar fallback(Qt::Monday, QTimeZone("No/Such_Zone"));
        QCOMPARE(fallback.startOfDay(QDate(2024, 3, 4)), instant("2024-03-04T00:00:00Z"));
    }

    // Axis dates in the locale's own order, with the year only when the chart spans years.
    void chartDatesFollowTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QString>("shown");
        const QDate march2(2026, 3, 2);
        QTest::newRow("US, one year") << "en_US" << QDate(2026, 1, 5) << march2 << "3/2";
        QTest::newRow("Germany, one year") << "de_DE" << QDate(2026, 1, 5) << march2 << "02.03";
        QTest::newRow("Britain, one year") << "en_GB" << QDate(2026, 1, 5) << march2 << "02/03";
        QTest::newRow("Sweden, one year") << "sv_SE" << QDate(2026, 1, 5) << march2 << "03-02";
        QTest::newRow("US, across years") << "en_US" << QDate(2025, 12, 29) << march2 << "3/2/26";
        QTest::newRow("Germany, across years") << "de_DE" << QDate(2025, 12, 29) << march2 << "02.03.26";
    }

    void chartDatesFollowTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(QString, shown);
        const QLocale userLocale(locale);
        const QString pattern = ChartDateFormat::forRange(userLocale, first, last);
        QCOMPARE(userLocale.toString(last, pattern), shown);
    }

    // The dashboard's days are those of local time, the time item details are shown in.
    void dashboardUsesLocalTime()
    {
        const QTimeZone zone = DashboardCalendar::localZone();
        QVERIFY(zone.isValid());
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(zone.offsetFromUtc(now), now.offsetFromUtc());
        QCOMPARE(DashboardCalendar::system().timeZone().offsetFromUtc(now), now.offsetFromUtc());
    }
};

QTEST_GUILESS_MAIN(DashboardMetricsTest)
#include "DashboardMetricsTest.moc"
