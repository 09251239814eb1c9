// Automatic syncs against plenko-devserver: an offline change goes out once the service is back, with
// no user action; the sync indicator's states; quiet syncs show no toast, keep a background board's
// highlight and are coalesced; only an unreachable service (not a refusal) counts as offline.
#include "workspace/AutoSync.h"

#include "WorkspaceFixture.h"
#include "support/DevServerTestCase.h"
#include "domain/Ids.h"
#include "workspace/SyncStatus.h"

#include <QTest>
#include <algorithm>

namespace {
bool inStore(WorkspaceClient& client, const QUuid& itemId)
{
    const auto found = client.store().fetchItemsWithIds({itemId});
    return found && !found->isEmpty();
}

// Short timings so that no test waits a minute: the shown board every `interval`, retries from 50 ms.
struct Syncer
{
    SyncStatus status;
    AutoSync autoSync;
    QStringList texts;
    int toasts = 0;
    int syncsEnded = 0;

    Syncer(WorkspaceClient& client, std::chrono::milliseconds interval)
        : autoSync(client.workspace(), client.store(), client.api(), status)
    {
        autoSync.setTiming({interval, std::chrono::milliseconds(50), std::chrono::milliseconds(400)});
        autoSync.setRandom([] { return 0.5; });
        QObject::connect(&status, &SyncStatus::changed, [this] {
            if (texts.isEmpty() || texts.last() != status.text())
                texts.append(status.text());
        });
        QObject::connect(&client.toasts(), &ToastManager::toastChanged, [this] { ++toasts; });
        QObject::connect(&client.workspace(), &BoardViewModel::syncingBoardsChanged, [this, &client] {
            if (client.workspace().syncingBoards().isEmpty())
                ++syncsEnded;
        });
    }
};
}

class AutoSyncTest : public DevServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void indicatorText_data()
    {
        QTest::addColumn<bool>("offline");
        QTest::addColumn<bool>("syncing");
        QTest::addColumn<int>("waiting");
        QTest::addColumn<QString>("text");
        QTest::newRow("up to date") << false << false << 0 << QStringLiteral("Up to date");
        QTest::newRow("syncing") << false << true << 2 << QStringLiteral("Syncing…");
        QTest::newRow("waiting") << false << false << 1 << QStringLiteral("1 change waiting");
        QTest::newRow("offline, syncing")
            << true << true << 3 << QStringLiteral("Offline — 3 changes waiting");
        QTest::newRow("offline, nothing waiting") << true << false << 0 << QStringLiteral("Offline");
    }

    void indicatorText()
    {
        QFETCH(bool, offline);
        QFETCH(bool, syncing);
        QFETCH(int, waiting);
        SyncStatus status;
        status.setOffline(offline);
        status.setSyncing(syncing);
        status.setWaitingChanges(waiting);
        QTEST(status.text(), "text");
    }

    void offlineChangeReachesTheServiceWhenItIsBack_data()
    {
        QTest::addColumn<std::chrono::milliseconds>("retry");
        QTest::addColumn<std::chrono::milliseconds>("probe");
        QTest::newRow("backoff retries")
            << std::chrono::milliseconds(50) << std::chrono::milliseconds(3600000);
        QTest::newRow("connection probe")
            << std::chrono::milliseconds(3600000) << std::chrono::milliseconds(50);
    }

    void offlineChangeReachesTheServiceWhenItIsBack()
    {
        QFETCH(std::chrono::milliseconds, retry);
        QFETCH(std::chrono::milliseconds, probe);
        QTemporaryDir folder;
        DevServer::Options options;
        options.dataFile = folder.filePath(QStringLiteral("devserver.sqlite"));
        DevServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        WorkspaceClient client(&server, QStringLiteral("ann@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board board = client.createBoard(QStringLiteral("Cloud"), StorageOption::cloud);
        QVERIFY(!board.id.isNull());
        Syncer syncer(client, std::chrono::hours(1));
        syncer.autoSync.setTiming(
            {std::chrono::hours(1), retry, std::max(retry, std::chrono::milliseconds(400)), probe});
        QTRY_VERIFY(syncer.status.hasCloudBoards());

        server.stop();
        const Item item = client.newItem(board, QStringLiteral("written offline"));
        QCoro::waitFor(client.workspace().addItem(item, board));
        QTRY_COMPARE(syncer.status.text(), QStringLiteral("Offline — 1 change waiting"));
        // Retries and probes keep failing while it is down, retries waiting longer each time.
        QTRY_VERIFY(syncer.autoSync.retryDelay() >= std::chrono::milliseconds(400));
        QTest::qWait(200);
        QCOMPARE(syncer.status.state(), SyncStatus::State::offline);

        QVERIFY2(server.restart(), qPrintable(server.errorString()));
        client.api().setBaseUrl(server.baseUrl().toString());
        const int toastsBefore = syncer.toasts;
        syncer.texts.clear();
        QTRY_VERIFY_WITH_TIMEOUT(serviceBoard(server, client, board.id).live.contains(item.id), 5000);
        QTRY_COMPARE(syncer.status.state(), SyncStatus::State::upToDate);
        QCOMPARE(syncer.status.waitingChanges(), 0);
        QVERIFY(syncer.status.lastSuccess().has_value());
        // Offline (a retry under way) until an answer comes, then syncing, then up to date.
        const QString seen = syncer.texts.join(u'|');
        const qsizetype syncing = syncer.texts.indexOf(QStringLiteral("Syncing…"));
        QVERIFY2(syncing >= 0 && syncer.texts.last() == QStringLiteral("Up to date"), qPrintable(seen));
        QVERIFY2(syncer.texts.mid(syncing).filter(QStringLiteral("Offline")).isEmpty(), qPrintable(seen));
        QCOMPARE(syncer.toasts, toastsBefore);
    }

    void quietSyncsKeepBoardsCurrent()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("bob@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board shown = client.createBoard(QStringLiteral("Shown"), StorageOption::cloud);
        const Board other = client.createBoard(QStringLiteral("Other"), StorageOption::cloud);
        QCoro::waitFor(client.workspace().selectBoard(shown.id));
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(other, false)));
        Syncer syncer(client, std::chrono::milliseconds(100));
        const int toastsBefore = syncer.toasts;

        // The shown board catches up on its own timer.
        const QUuid onShown = addOnService(*m_server, client, shown.id);
        QVERIFY(!onShown.isNull());
        QTRY_VERIFY(inStore(client, onShown));

        // An announced change of a board in the background arrives and leaves it highlighted.
        syncer.autoSync.setTiming(
            {std::chrono::hours(1), std::chrono::milliseconds(50), std::chrono::milliseconds(400)});
        const QUuid onOther = addOnService(*m_server, client, other.id);
        QVERIFY(!onOther.isNull());
        const QString syncPath = serviceBoardPath(other.id) + QStringLiteral("/sync");
        const int syncsBefore = m_server->answered("POST", syncPath);
        for (int i = 0; i < 5; ++i)
            syncer.autoSync.boardChanged(other.id);
        QTRY_VERIFY(inStore(client, onOther));
        QTRY_VERIFY(client.workspace().syncingBoards().isEmpty());
        QVERIFY(client.workspace().highlightedBoards().contains(other.id));
        QVERIFY(!client.workspace().highlightedBoards().contains(shown.id));
        // Five announcements in one turn are one sync.
        QCOMPARE(m_server->answered("POST", syncPath), syncsBefore + 1);
        QCOMPARE(syncer.toasts, toastsBefore);
    }

    void aConnectedChannelCatchesUpAndRestsTheTimer()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("dee@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board shown = client.createBoard(QStringLiteral("Shown"), StorageOption::cloud);
        const Board other = client.createBoard(QStringLiteral("Other"), StorageOption::cloud);
        QCoro::waitFor(client.workspace().selectBoard(shown.id));
        Syncer syncer(client, std::chrono::milliseconds(60));
        const QString shownSync = serviceBoardPath(shown.id) + QStringLiteral("/sync");
        const QString otherSync = serviceBoardPath(other.id) + QStringLiteral("/sync");
        QTRY_VERIFY(m_server->answered("POST", shownSync) >= 1);

        // Connecting: every cloud board catches up from its checkpoint, shown or not.
        const QUuid missed = addOnService(*m_server, client, other.id);
        syncer.autoSync.setChannelConnected(true);
        QTRY_VERIFY(inStore(client, missed));
        QTRY_VERIFY(client.workspace().syncingBoards().isEmpty());

        // Connected: no timer, and an activated window with nothing waiting asks nothing.
        const int shownBefore = m_server->answered("POST", shownSync);
        const int otherBefore = m_server->answered("POST", otherSync);
        syncer.autoSync.windowActivated();
        QTest::qWait(300);
        QCOMPARE(m_server->answered("POST", shownSync), shownBefore);
        QCOMPARE(m_server->answered("POST", otherSync), otherBefore);

        // Dropped: the shown board's timer is back.
        syncer.autoSync.setChannelConnected(false);
        QTRY_VERIFY(m_server->answered("POST", shownSync) > shownBefore);
        QCOMPARE(m_server->answered("POST", otherSync), otherBefore);
    }

    // A change the service refused waits out a long retry only while nothing shows the service takes
    // changes again: another board's successful sync or a (re)connected channel sends it soon.
    void refusedChangeGoesOutOnceTheServiceTakesChanges_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<bool>("channel");
        QTest::newRow("another board synced") << 1 << false;
        QTest::newRow("channel connected, refused once more") << 2 << true;
    }

    void refusedChangeGoesOutOnceTheServiceTakesChanges()
    {
        QFETCH(int, refusals);
        QFETCH(bool, channel);
        WorkspaceClient client(m_server.get(), QStringLiteral("eve@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        // On its own, the channel row has no other board whose sync could bring the retry forward.
        const Board taken = channel ? Board {} : client.createBoard(QStringLiteral("Taken"), StorageOption::cloud);
        const Board refused = client.createBoard(QStringLiteral("Refused"), StorageOption::cloud);
        Syncer syncer(client, std::chrono::hours(1));
        // The backoff has grown: the next retry is 20 s away.
        syncer.autoSync.setTiming({std::chrono::hours(1), std::chrono::seconds(20), std::chrono::minutes(1)});
        QVERIFY(m_server->failNext(refusals, 500, serviceBoardPath(refused.id)));
        const Item item = client.newItem(refused, QStringLiteral("refused at first"));
        QCoro::waitFor(client.workspace().addItem(item, refused));
        QTRY_COMPARE(syncer.status.waitingChanges(), 1);
        syncer.autoSync.setTiming(
            {std::chrono::hours(1), std::chrono::milliseconds(50), std::chrono::minutes(1)});

        if (channel)
            syncer.autoSync.setChannelConnected(true);
        else
            syncer.autoSync.boardChanged(taken.id);
        QTRY_COMPARE_WITH_TIMEOUT(syncer.status.waitingChanges(), 0, 5000);
        QVERIFY(serviceBoard(*m_server, client, refused.id).live.contains(item.id));
    }

    // The announcement was used up by the failed sync: the board is retried as a pending change is.
    void anAnnouncedBoardWhoseSyncFailedIsSyncedAgain()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("fay@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board board = client.createBoard(QStringLiteral("Cloud"), StorageOption::cloud);
        Syncer syncer(client, std::chrono::hours(1));
        const QUuid onService = addOnService(*m_server, client, board.id);
        QVERIFY(!onService.isNull());
        QVERIFY(m_server->failNext(1, 500, serviceBoardPath(board.id) + QStringLiteral("/sync")));
        syncer.autoSync.boardChanged(board.id);
        QTRY_VERIFY(inStore(client, onService));
    }

    void onlyAnUnreachableServiceIsOffline_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("offline");
        QTest::newRow("connection closed") << 0 << true;
        QTest::newRow("gateway: service down") << 503 << true;
        QTest::newRow("refused") << 400 << false;
        QTest::newRow("service error") << 500 << false;
    }

    void onlyAnUnreachableServiceIsOffline()
    {
        QFETCH(int, status);
        WorkspaceClient client(m_server.get(), QStringLiteral("cy@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board board = client.createSelectedBoard(QStringLiteral("Cloud"), StorageOption::cloud);
        Syncer syncer(client, std::chrono::hours(1));
        const QString path = serviceBoardPath(board.id) + QStringLiteral("/sync");
        QVERIFY(status == 0 ? m_server->closeNext(1, path) : m_server->failNext(1, status, path));
        syncer.autoSync.windowActivated();
        QTRY_COMPARE(syncer.syncsEnded, 1);
        QTEST(syncer.status.state() == SyncStatus::State::offline, "offline");
    }
};

QTEST_GUILESS_MAIN(AutoSyncTest)
#include "AutoSyncTest.moc"
