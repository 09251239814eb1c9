// The dashboard window and the boards overview as the user sees them, on the offscreen platform.
#include "InsightsTestData.h"
#include "insights/BoardDashboardView.h"
#include "insights/BoardDashboardWindow.h"
#include "insights/BoardOverviewCard.h"
#include "insights/BoardOverviewStatusBar.h"
#include "insights/BoardsOverviewView.h"
#include "insights/ChartCallout.h"
#include "insights/DashboardChartView.h"
#include "insights/DashboardSection.h"
#include "insights/InsightsPalette.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCoro/QCoroTimer>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLocale>
#include <QScopeGuard>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QStandardPaths>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

const QDateTime fixedNow = QDateTime(QDate(2024, 3, 6), QTime(12, 0), QTimeZone::utc());

void showDashboardOf(BoardDashboardWindow& window)
{
    window.view()->setCalendar(DashboardCalendar(Qt::Monday, QTimeZone::utc()));
    window.view()->setClock([] { return fixedNow; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

QStringList labelTexts(const QWidget* widget, const QString& objectName)
{
    QStringList texts;
    for (const QLabel* label : widget->findChildren<QLabel*>(objectName))
        texts << label->text();
    return texts;
}

Board sampleBoard()
{
    return boardWithItems({ "TODO 2024-02-20T09:00:00Z 2024-02-20T09:00:00Z",
                              "IN_PROGRESS 2024-02-21T09:00:00Z 2024-02-28T09:00:00Z",
                              "DONE 2024-02-21T09:00:00Z 2024-02-23T21:00:00Z",
                              "DONE 2024-02-26T09:00:00Z 2024-03-01T09:00:00Z archived",
                              "DONE 2024-03-04T09:00:00Z 2024-03-04T10:00:00Z",
                              "TODO 2024-03-05T09:00:00Z 2024-03-05T09:00:00Z",
                              "TODO 2024-03-05T09:00:00Z 2024-03-05T09:00:00Z deleted" },
        QStringLiteral("Launch plan"));
}

Board overviewBoard(const QString& name, const QStringList& statuses, bool cloud, bool active = true,
    int members = 0)
{
    QStringList lines;
    for (const QString& status : statuses)
        lines << status + QStringLiteral(" 2024-03-01T09:00:00Z 2024-03-02T09:00:00Z");
    Board board = boardWithItems(lines, name);
    board.syncWithServer = cloud;
    board.isActive = active;
    for (int index = 0; index < members; ++index) {
        BoardUser user;
        user.userId = QUuid::createUuid();
        user.email = QStringLiteral("member%1@example.com").arg(index);
        user.boardId = board.id;
        board.users.append(user);
    }
    return board;
}

// Stands in for the workspace's fetch: remembers the board and finishes a little later.
QCoro::Task<void> recordFetch(QList<QUuid>* fetched, QUuid boardId)
{
    fetched->append(boardId);
    co_await QCoro::sleepFor(20ms);
}

} // namespace

class InsightsViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Opened on an empty board and then given the sample one, the window shows all four sections.
    void dashboardWindowShowsFourSections()
    {
        BoardDashboardWindow window(boardWithItems({}));
        showDashboardOf(window);
        QCOMPARE(labelTexts(&window, "emptyText").size(), 3);
        window.setBoard(sampleBoard());
        for (const DashboardSection* section : window.view()->sections())
            QVERIFY(section->isVisible());
        QCOMPARE(window.view()->board().name, QStringLiteral("Launch plan"));
        QCOMPARE(window.objectName(), QStringLiteral("board-dashboard"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Board Dashboard"));
        QCOMPARE(window.size(), QSize(1100, 700));

        QStringList titles;
        for (const DashboardSection* section : window.view()->sections())
            titles << section->title();
        QCOMPARE(titles, (QStringList { "Progress trend", "Status breakdown", "Cycle time trend", "Board activity over time" }));
        QCOMPARE(labelTexts(&window, "sectionInsight"),
            (QStringList { "Are we actually finishing things?", "How much is in motion vs completed?",
                "Are tasks taking longer to finish lately?", "Are we adding tasks faster than finishing them?" }));
        QCOMPARE(labelTexts(&window, "sectionDetail"),
            (QStringList { "Daily cumulative totals by status for this board (Todo, In Progress, Done).",
                "Current share of Todo, In Progress, and Done items on this board.",
                "Average days from creation to completion for items finished in each calendar week.",
                "Items created per calendar week (including weeks with zero activity)." }));
        QVERIFY(labelTexts(&window, "emptyText").isEmpty());
        QCOMPARE(labelTexts(&window, "boardName"), QStringList { "Launch plan" });
    }

    void emptySections_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QList<bool>>("empty");

        QTest::newRow("no items") << QStringList() << QList<bool> { true, true, true, false };
        QTest::newRow("all deleted") << QStringList { "DONE 2024-03-01T09:00:00Z 2024-03-02T09:00:00Z deleted",
            "TODO 2024-03-04T09:00:00Z 2024-03-04T09:00:00Z deleted" }
                                     << QList<bool> { true, true, true, false };
        QTest::newRow("nothing finished") << QStringList { "TODO 2024-03-01T09:00:00Z 2024-03-02T09:00:00Z" }
                                          << QList<bool> { false, false, true, false };
        QTest::newRow("one finished") << QStringList { "DONE 2024-03-01T09:00:00Z 2024-03-02T09:00:00Z" }
                                      << QList<bool> { false, false, false, false };
    }

    void emptySections()
    {
        QFETCH(QStringList, items);
        QFETCH(QList<bool>, empty);

        BoardDashboardWindow window(boardWithItems(items));
        showDashboardOf(window);
        const QList<DashboardSection*> sections = window.view()->sections();
        for (qsizetype index = 0; index < sections.size(); ++index) {
            const DashboardSection* section = sections[index];
            QCOMPARE(section->isEmpty(), empty[index]);
            QCOMPARE(labelTexts(section, "emptyText"),
                empty[index] ? QStringList { "Not enough data yet" } : QStringList());
            QCOMPARE(section->findChildren<QWidget*>("emptySymbol").size(), empty[index] ? 1 : 0);
            QCOMPARE(section->findChildren<DashboardChartView*>().size(), empty[index] ? 0 : 1);
        }

        // The activity chart always has at least eight weeks, zero bars included.
        const auto* activity = window.findChild<DashboardChartView*>("activityChart");
        QVERIFY(activity);
        const auto* bars = qobject_cast<QBarSeries*>(activity->chart()->series().constFirst());
        QVERIFY(bars);
        QCOMPARE(bars->barSets().constFirst()->count(), 8);
    }

    // The charts of the sample board: the ring's counts and names, the trend's colours, and what
    // hovering shows.
    void sampleBoardCharts()
    {
        // Dates are written the user's way; in the US the fourth of March is 3/4.
        const QLocale previous;
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        const auto restore = qScopeGuard([previous] { QLocale::setDefault(previous); });
        BoardDashboardWindow window(sampleBoard());
        showDashboardOf(window);
        const auto* breakdown = window.findChild<DashboardChartView*>("statusBreakdownChart");
        QVERIFY(breakdown);
        auto* ring = qobject_cast<QPieSeries*>(breakdown->chart()->series().constFirst());
        QVERIFY(ring);
        QStringList sectorLabels;
        for (const QPieSlice* slice : ring->slices())
            sectorLabels << slice->label();
        QCOMPARE(sectorLabels, (QStringList { "2 items", "1 items", "3 items" }));
        QStringList legend;
        for (const QLegendMarker* marker : breakdown->chart()->legend()->markers(ring))
            legend << marker->label();
        QCOMPARE(legend, (QStringList { "Todo", "In progress", "Done" }));

        QCOMPARE(InsightsPalette::darkened(QColor(200, 100, 50), 0.5), QColor(100, 50, 25));
        QCOMPARE(InsightsPalette::darkened(QColor(200, 100, 50), 0.0), QColor(200, 100, 50));

        const auto* trend = window.findChild<DashboardChartView*>("statusTrendChart");
        QVERIFY(trend);
        QStringList names;
        for (QAbstractSeries* series : trend->chart()->series()) {
            auto* line = qobject_cast<QLineSeries*>(series);
            QVERIFY(line);
            names << line->name();
            const StatusSeries status = line->name() == QLatin1String("Todo") ? StatusSeries::todo
                : line->name() == QLatin1String("Done")                       ? StatusSeries::done
                                                                              : StatusSeries::inProgress;
            QCOMPARE(line->color(), InsightsPalette::seriesColor(status));
            QVERIFY(line->pointsVisible());
        }
        QCOMPARE(names, (QStringList { "Todo", "In progress", "Done" }));
        QCOMPARE(InsightsPalette::seriesColor(StatusSeries::todo), InsightsPalette::darkened(QColor(0x0A, 0x84, 0xFF), 0.18));


        const auto* activity = window.findChild<DashboardChartView*>("activityChart");
        QVERIFY(activity);
        QBarSet* bars = qobject_cast<QBarSeries*>(activity->chart()->series().constFirst())->barSets().constFirst();
        Q_EMIT bars->hovered(true, 7);
        QVERIFY(activity->callout()->isVisible());
        QCOMPARE(activity->callout()->text(), QStringLiteral("Week of 3/4/24: 2 created"));
        Q_EMIT bars->hovered(false, 7);
        QVERIFY(!activity->callout()->isVisible());

        auto* line = qobject_cast<QLineSeries*>(trend->chart()->series().constFirst());
        // Hovering between two days picks the nearer one.
        const QPointF nearFeb23(line->at(3).x() + 0.3 * (line->at(4).x() - line->at(3).x()), 1);
        Q_EMIT line->hovered(nearFeb23, true);
        QCOMPARE(trend->callout()->text(), QStringLiteral("2/23/24\nDone 1 · In progress 0 · Todo 2"));

        QPieSlice* done = ring->slices().last();
        Q_EMIT done->hovered(true);
        QCOMPARE(breakdown->callout()->text(), QStringLiteral("Done: 3 of 6 items (50%)"));
        QVERIFY(done->isExploded());

        // The section under the pointer reports it, so the annotations belong to one section at a time.
        QVERIFY(!window.view()->isHoveringActivity());
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(window.view()->sections().at(3), &enter);
        QVERIFY(window.view()->isHoveringActivity());
        QVERIFY(!window.view()->isHoveringStatusTrend());
    }

    void overviewTotalsAndCards_data()
    {
        QTest::addColumn<QList<Board>>("boards");
        QTest::addColumn<QStringList>("totals"); // Boards, Items, Done, In Progress, Todo
        QTest::addColumn<QStringList>("cards");  // "name | count | percent"
        QTest::addColumn<QStringList>("headings");

        QTest::newRow("no boards") << QList<Board>() << QStringList { "0", "0", "0", "0", "0" } << QStringList()
                                   << QStringList();
        QTest::newRow("only archived boards")
            << QList<Board> { overviewBoard("Old", { "DONE", "TODO" }, false, false) }
            << QStringList { "0", "0", "0", "0", "0" } << QStringList() << QStringList();
        QTest::newRow("local and cloud, archived left out")
            << QList<Board> { overviewBoard("Home", { "DONE", "DONE", "TODO" }, false),
                   overviewBoard("Team", { "IN_PROGRESS", "DONE", "TODO", "TODO", "TODO", "TODO", "TODO", "TODO" }, true),
                   overviewBoard("Gone", { "DONE" }, true, false), overviewBoard("Empty", {}, false) }
            << QStringList { "3", "11", "3", "1", "7" }
            << QStringList { "Home | 3 items | 67%", "Empty | 0 items | 0%", "Team | 8 items | 13%" }
            << QStringList { "Local boards", "Cloud boards" };
        QTest::newRow("all done") << QList<Board> { overviewBoard("Finished", { "DONE", "DONE" }, true) }
                                  << QStringList { "1", "2", "2", "0", "0" } << QStringList { "Finished | 2 items | 100%" }
                                  << QStringList { "Cloud boards" };
    }

    void overviewTotalsAndCards()
    {
        QFETCH(QList<Board>, boards);
        QFETCH(QStringList, totals);
        QFETCH(QStringList, cards);
        QFETCH(QStringList, headings);

        BoardsOverviewView view;
        view.setBoards(boards);
        view.resize(1000, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QStringList shownTotals;
        for (const char* name : { "totalBoards", "totalItems", "totalDone", "totalInProgress", "totalTodo" })
            shownTotals << view.findChild<QLabel*>(name)->text();
        QCOMPARE(shownTotals, totals);
        QCOMPARE(labelTexts(&view, "totalLabel"), (QStringList { "Boards", "Items", "Done", "In Progress", "Todo" }));
        QCOMPARE(labelTexts(&view, "groupHeading"), headings);

        QStringList shownCards;
        for (const BoardOverviewCard* card : view.findChildren<BoardOverviewCard*>()) {
            const QLabel* percent = card->findChild<QLabel*>("donePercent");
            shownCards << QStringLiteral("%1 | %2 | %3")
                              .arg(card->findChild<QLabel*>("boardName")->text(), card->findChild<QLabel*>("itemCount")->text(),
                                  percent->text());
            QCOMPARE(percent->accessibleName(), QStringLiteral("Percent of items marked done"));
            QCOMPARE(percent->accessibleDescription(), percent->text().chopped(1) + QStringLiteral(" percent"));
            QCOMPARE(labelTexts(card, "legendLabel"), (QStringList { "Todo", "In Progress", "Done" }));
        }
        QCOMPARE(shownCards, cards);
    }

    void statusBarSegments_data()
    {
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<QStringList>("segments"); // "label fraction"
        QTest::addColumn<bool>("noItems");

        QTest::newRow("empty board") << QStringList() << QStringList() << true;
        QTest::newRow("all done") << QStringList { "DONE", "DONE", "DONE" } << QStringList { "Done 1" } << false;
        QTest::newRow("mixed, in bar order")
            << QStringList { "TODO", "DONE", "TODO", "IN_PROGRESS" }
            << QStringList { "Done 0.25", "In Progress 0.25", "Todo 0.5" } << false;
    }

    void statusBarSegments()
    {
        QFETCH(QStringList, statuses);
        QFETCH(QStringList, segments);
        QFETCH(bool, noItems);

        const Board board = overviewBoard("Board", statuses, false);
        BoardOverviewCard card(board);
        card.resize(320, 200);
        card.show();
        QVERIFY(QTest::qWaitForWindowExposed(&card));
        const auto* bar = card.findChild<BoardOverviewStatusBar*>();
        QVERIFY(bar);
        QStringList shown;
        for (const SegmentDescriptor& segment : bar->segments())
            shown << QStringLiteral("%1 %2").arg(segment.label).arg(segment.value);
        QCOMPARE(shown, segments);
        QCOMPARE(labelTexts(&card, "noItems"), noItems ? QStringList { "No items" } : QStringList());

        // The segments fill the bar's whole width without gaps.
        const QList<QRectF> rects = bar->segmentRects();
        if (!rects.isEmpty()) {
            QCOMPARE(rects.first().left(), 0.0);
            QCOMPARE(rects.last().right(), static_cast<qreal>(bar->width()));
            for (qsizetype index = 1; index < rects.size(); ++index)
                QCOMPARE(rects[index].left(), rects[index - 1].right());
            QCOMPARE(rects.first().width(), bar->width() * bar->segments().first().value);
        }
    }

    void membersLoading()
    {
        const Board local = overviewBoard("Local", { "TODO" }, false);
        const Board cloudWithout = overviewBoard("Cloud A", { "TODO" }, true);
        const Board cloudWith = overviewBoard("Cloud B", { "TODO" }, true, true, 2);
        const Board archivedCloud = overviewBoard("Cloud C", { "TODO" }, true, false);
        const Board secondWithout = overviewBoard("Cloud D", {}, true);

        QList<QUuid> fetched;
        BoardsOverviewView view;
        view.setBoards({ local, cloudWithout, cloudWith, archivedCloud, secondWithout });
        view.setFetchBoardDetails([&fetched](QUuid boardId) { return recordFetch(&fetched, boardId); });

        view.show();
        QVERIFY(view.isFetchingUsers());
        // Appearing again while a fetch is under way starts nothing new.
        view.hide();
        view.show();
        QTRY_VERIFY(!view.isFetchingUsers());
        QCOMPARE(fetched, (QList<QUuid> { cloudWithout.id, secondWithout.id }));

        // Once the workspace has the members, appearing again fetches nothing.
        Board withMembers = cloudWithout;
        withMembers.users = cloudWith.users;
        Board secondWithMembers = secondWithout;
        secondWithMembers.users = cloudWith.users;
        view.setBoards({ local, withMembers, cloudWith, secondWithMembers });
        view.hide();
        view.show();
        QVERIFY(!view.isFetchingUsers());
        QCOMPARE(fetched.size(), 2);
        const QList<BoardOverviewCard*> cards = view.findChildren<BoardOverviewCard*>();
        QCOMPARE(cards.size(), 4);
        for (const BoardOverviewCard* card : cards)
            QVERIFY(card->isVisible());
        QCOMPARE(labelTexts(&view, "members"), QStringList(3, QStringLiteral("member0, member1")));
    }
};

QTEST_MAIN(InsightsViewsTest)
#include "InsightsViewsTest.moc"
