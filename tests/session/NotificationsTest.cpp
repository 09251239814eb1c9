// The notification feed against the stand-in service: polling at once and then at every interval,
// exactly while enabled; the feed as the service delivers it; marking read one by one and all at
// once; failures that keep the feed. Also the rows' headlines and sentences.
#include "ServiceAccounts.h"
#include "session/NotificationText.h"
#include "session/NotificationViewModel.h"
#include "support/LogCapture.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// The transport's request lines for the feed's endpoints ("🌐 [Net] → METHOD url headers=…").
qsizetype requestsFor(const LogCapture& log, const QString& method, const QString& pathPart)
{
    return std::ranges::count_if(log.lines(), [&](const QString& line) {
        return line.startsWith(QStringLiteral("🌐 [Net] → ") + method + QLatin1Char(' '))
            && line.contains(pathPart);
    });
}

qsizetype feedRequests(const LogCapture& log)
{
    return requestsFor(log, QStringLiteral("GET"), QStringLiteral("/api/notifications?readOnly=true"));
}

NotificationItem notification(NotificationType type, std::optional<QString> actor, bool withItem = false)
{
    NotificationItem item;
    item.id = QUuid::createUuid();
    item.type = std::move(type);
    item.boardId = QUuid::fromString(QStringLiteral("{0d5c3b84-6f0a-4d55-9a39-7f2d1c8e5b10}"));
    if (withItem)
        item.itemId = QUuid::fromString(QStringLiteral("{5e1f7a0c-2b3d-4e8f-9a6b-1c2d3e4f5a6b}"));
    item.actorDisplayName = std::move(actor);
    item.createdAt = QDateTime::currentDateTimeUtc();
    return item;
}

} // namespace

class NotificationsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void rowTexts_data()
    {
        QTest::addColumn<NotificationType>("type");
        QTest::addColumn<std::optional<QString>>("actor");
        QTest::addColumn<std::optional<QString>>("boardName");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QStringList>("emphasised");
        const auto none = std::optional<QString>();
        const auto ada = std::optional<QString>(QStringLiteral("Ada"));
        const auto launch = std::optional<QString>(QStringLiteral("Launch"));
        const auto assigned = NotificationType::itemAssigned();
        const auto joined = NotificationType::boardMemberJoined();
        QTest::newRow("assigned by someone")
            << assigned << ada << launch << "New item assigned"
            << "Ada assigned a new item to you on Launch" << QStringList {"Ada", "Launch"};
        QTest::newRow("assigned, no actor") << assigned << none << launch << "New item assigned"
                                            << "New item assigned to you on Launch" << QStringList {"Launch"};
        QTest::newRow("assigned, blank actor")
            << assigned << std::optional<QString>(QStringLiteral("  ")) << launch << "New item assigned"
            << "New item assigned to you on Launch" << QStringList {"Launch"};
        QTest::newRow("assigned, board unknown") << assigned << ada << none << "New item assigned"
                                                 << "Ada assigned a new item to you" << QStringList {"Ada"};
        QTest::newRow("joined") << joined << ada << launch << "New board member"
                                << "Ada joined Launch" << QStringList {"Ada", "Launch"};
        QTest::newRow("joined, board unknown") << joined << ada << none << "New board member"
                                               << "Ada joined this board" << QStringList {"Ada"};
        QTest::newRow("joined, no actor") << joined << none << launch << "New board member"
                                          << "New member joined Launch" << QStringList {"Launch"};
        QTest::newRow("joined, nothing known") << joined << none << none << "New board member"
                                               << "New member joined this board" << QStringList {};
        QTest::newRow("other type") << NotificationType::unknown(QStringLiteral("BoardArchived")) << ada
                                    << launch << "Notification"
                                    << "" << QStringList {};
    }

    void rowTexts()
    {
        QFETCH(NotificationType, type);
        QFETCH(std::optional<QString>, actor);
        QFETCH(std::optional<QString>, boardName);
        QFETCH(QString, headline);
        QFETCH(QString, sentence);
        QFETCH(QStringList, emphasised);
        const NotificationItem item = notification(type, actor);
        std::optional<Board> board;
        if (boardName) {
            board = Board {};
            board->id = *item.boardId;
            board->name = *boardName;
        }
        const NotificationText text = NotificationText::make(item, board);
        QCOMPARE(text.headline, headline);
        QCOMPARE(text.sentenceText(), sentence);
        QStringList names;
        for (const NotificationTextRun& run : text.sentence) {
            if (run.emphasised)
                names.append(run.text);
        }
        QCOMPARE(names, emphasised);
        QCOMPARE(text.content, QStringLiteral("Content unavailable"));
    }

    void rowContentComesFromTheLocalItem_data()
    {
        QTest::addColumn<bool>("itemOnBoard");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("content");
        QTest::newRow("known item") << true << false << "Write the **release** notes";
        QTest::newRow("deleted item") << true << true << "Content unavailable";
        QTest::newRow("item not on the board") << false << false << "Content unavailable";
    }

    void rowContentComesFromTheLocalItem()
    {
        QFETCH(bool, itemOnBoard);
        QFETCH(bool, deleted);
        QFETCH(QString, content);
        const NotificationItem item
            = notification(NotificationType::itemAssigned(), QStringLiteral("Ada"), true);
        Board board;
        board.id = *item.boardId;
        board.name = QStringLiteral("Launch");
        Item onBoard;
        onBoard.id = itemOnBoard ? *item.itemId : QUuid::createUuid();
        onBoard.content = QStringLiteral("Write the **release** notes");
        if (deleted)
            onBoard.deletedAt = QDateTime::currentDateTimeUtc();
        board.items = {onBoard};
        const NotificationText text = NotificationText::make(item, board);
        QCOMPARE(text.content, content);
        QCOMPARE(text.isContentAvailable, itemOnBoard && !deleted);
    }

    void feedAsTheServiceDeliversIt()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        const QString board = s.sharedBoard(QStringLiteral("Launch"), {&s.bob});
        const QString item = s.assignItem(s.bob, board, s.ann, QStringLiteral("Draft the announcement"));
        NotificationViewModel viewModel(s.annApi());
        QCoro::waitFor(viewModel.refresh());
        QVERIFY(!viewModel.lastError());
        const NotificationFeed& feed = viewModel.feed();
        QCOMPARE(feed.items.size(), 2);
        QCOMPARE(feed.unreadCount, 2);
        // Newest first, as delivered.
        const NotificationItem& assigned = feed.items.at(0);
        QCOMPARE(assigned.type, NotificationType::itemAssigned());
        QCOMPARE(assigned.boardId, QUuid::fromString(board));
        QCOMPARE(assigned.itemId, QUuid::fromString(item));
        QCOMPARE(assigned.actorId, QUuid::fromString(s.bob.userId));
        QCOMPARE(assigned.actorDisplayName, QStringLiteral("Bob"));
        QVERIFY(!assigned.readAt);
        const NotificationItem& joined = feed.items.at(1);
        QCOMPARE(joined.type, NotificationType::boardMemberJoined());
        QCOMPARE(joined.boardId, QUuid::fromString(board));
        QVERIFY(!joined.itemId);
        QVERIFY(joined.createdAt.isValid());
        QVERIFY(joined.createdAt <= assigned.createdAt);
        QVERIFY(!viewModel.isLoading());
    }

    void pollsAtOnceThenEveryInterval()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        s.sharedBoard(QStringLiteral("Launch"), {&s.bob});
        LogCapture log;
        constexpr auto interval = 700ms;
        NotificationViewModel viewModel(s.annApi(), interval);
        QElapsedTimer clock;
        clock.start();
        viewModel.setPollingEnabled(true);
        QTRY_COMPARE(viewModel.feed().items.size(), 1);
        QCOMPARE(feedRequests(log), 1);
        QTRY_COMPARE_WITH_TIMEOUT(feedRequests(log), 2, 10000);
        // The second fetch waits for the interval, measured from the start of polling.
        QVERIFY2(clock.elapsed() >= interval.count() * 9 / 10, qPrintable(QString::number(clock.elapsed())));
        viewModel.setPollingEnabled(true); // already on: nothing new starts
        QTRY_COMPARE(viewModel.isLoading(), false);

        viewModel.setPollingEnabled(false);
        QVERIFY(viewModel.feed().items.isEmpty());
        QCOMPARE(viewModel.feed().unreadCount, 0);
        QVERIFY(!viewModel.isLoading());
        QVERIFY(!viewModel.lastError());
        const qsizetype afterStop = feedRequests(log);
        QTest::qWait(static_cast<int>(interval.count() * 3));
        QCOMPARE(feedRequests(log), afterStop);
        QVERIFY(viewModel.feed().items.isEmpty());

        // On again: at once, with a fresh loop.
        viewModel.setPollingEnabled(true);
        QTRY_COMPARE(feedRequests(log), afterStop + 1);
        QTRY_COMPARE(viewModel.feed().items.size(), 1);
    }

    void stoppingDropsAnAnswerStillOnItsWay()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        s.sharedBoard(QStringLiteral("Launch"), {&s.bob});
        QVERIFY(s.server.delayNext(1, 800, QStringLiteral("/api/notifications")));
        LogCapture log;
        NotificationViewModel viewModel(s.annApi(), 1h);
        viewModel.setPollingEnabled(true);
        QTRY_COMPARE(feedRequests(log), 1);
        QVERIFY(viewModel.isLoading());
        viewModel.setPollingEnabled(false);
        QVERIFY(!viewModel.isLoading());
        // The delayed answer arrives (its log line shows it) but changes nothing.
        QTRY_VERIFY_WITH_TIMEOUT(
            std::ranges::any_of(log.lines(),
                [](const QString& line) { return line.startsWith(QStringLiteral("🌐 [Net] ← 200")); }),
            5000);
        QTest::qWait(50);
        QVERIFY(viewModel.feed().items.isEmpty());
        QVERIFY(!viewModel.isLoading());
    }

    void failedFetchKeepsTheFeedAndPollingGoesOn()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        s.sharedBoard(QStringLiteral("Launch"), {&s.bob});
        LogCapture log;
        NotificationViewModel viewModel(s.annApi(), 600ms);
        viewModel.setPollingEnabled(true);
        QTRY_COMPARE(viewModel.feed().items.size(), 1);
        QVERIFY(s.server.failNext(1, 500, QStringLiteral("/api/notifications"),
            QByteArray(
                "{\"status\": 500, \"code\": \"INTERNAL\", \"message\": \"Feed store unavailable\"}")));
        QTRY_COMPARE_WITH_TIMEOUT(
            viewModel.lastError(), std::optional<QString>(QStringLiteral("Feed store unavailable")), 5000);
        QCOMPARE(viewModel.feed().items.size(), 1);
        // The next poll succeeds and clears the error.
        QTRY_VERIFY_WITH_TIMEOUT(!viewModel.lastError(), 5000);
        QCOMPARE(viewModel.feed().items.size(), 1);
    }

    void markReadCountsLocally()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        s.sharedBoard(QStringLiteral("Launch"), {&s.bob, &s.eve, &s.cy});
        NotificationViewModel viewModel(s.annApi());
        QCoro::waitFor(viewModel.refresh());
        QCOMPARE(viewModel.feed().unreadCount, 3);
        const NotificationItem first = viewModel.feed().items.at(1);

        LogCapture log;
        QCoro::waitFor(viewModel.markRead(first));
        QCOMPARE(requestsFor(log, QStringLiteral("POST"), QStringLiteral("/read")), 1);
        QCOMPARE(viewModel.feed().unreadCount, 2);
        QVERIFY(viewModel.feed().items.at(1).readAt.has_value());
        QVERIFY(!viewModel.feed().items.at(0).readAt.has_value());
        QVERIFY(!viewModel.feed().items.at(2).readAt.has_value());
        // The service agrees.
        QCOMPARE(s.unreadCount(s.ann), 2);

        // Already read: nothing is sent, nothing changes.
        const QDateTime readAt = *viewModel.feed().items.at(1).readAt;
        QCoro::waitFor(viewModel.markRead(viewModel.feed().items.at(1)));
        QCOMPARE(requestsFor(log, QStringLiteral("POST"), QStringLiteral("/read")), 1);
        QCOMPARE(viewModel.feed().items.at(1).readAt, readAt);
        QCOMPARE(viewModel.feed().unreadCount, 2);
    }

    void markReadFailureLeavesTheFeed()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        s.sharedBoard(QStringLiteral("Launch"), {&s.bob});
        NotificationViewModel viewModel(s.annApi());
        QCoro::waitFor(viewModel.refresh());
        QVERIFY(s.server.failNext(1, 503, QStringLiteral("/api/notifications/")));
        QCoro::waitFor(viewModel.markRead(viewModel.feed().items.first()));
        QVERIFY(viewModel.lastError().has_value());
        QCOMPARE(viewModel.feed().unreadCount, 1);
        QVERIFY(!viewModel.feed().items.first().readAt);
    }

    void markAllRead()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        NotificationViewModel viewModel(s.annApi());
        LogCapture log;
        QCoro::waitFor(viewModel.refresh());
        QCoro::waitFor(viewModel.markAllRead()); // nothing unread: nothing sent
        QCOMPARE(requestsFor(log, QStringLiteral("POST"), QStringLiteral("/read-all")), 0);

        s.sharedBoard(QStringLiteral("Launch"), {&s.bob, &s.eve});
        QCoro::waitFor(viewModel.refresh());
        QCOMPARE(viewModel.feed().unreadCount, 2);
        QCoro::waitFor(viewModel.markAllRead());
        QCOMPARE(requestsFor(log, QStringLiteral("POST"), QStringLiteral("/read-all")), 1);
        // Followed by a fresh feed from the service.
        QCOMPARE(feedRequests(log), 3);
        QCOMPARE(viewModel.feed().unreadCount, 0);
        for (const NotificationItem& item : viewModel.feed().items)
            QVERIFY(item.readAt.has_value());
        QCOMPARE(s.unreadCount(s.ann), 0);
    }
};

QTEST_GUILESS_MAIN(NotificationsTest)
#include "NotificationsTest.moc"
