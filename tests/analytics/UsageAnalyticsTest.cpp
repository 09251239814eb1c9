// Usage events against a real track endpoint on 127.0.0.1: common properties, the first event of a
// run, the off switch, failed uploads, restarts and reset.
#include "TrackServer.h"
#include "support/LogCapture.h"

#include "BundleInfo.h"
#include "analytics/AnalyticsClient.h"
#include "analytics/UsageAnalytics.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

const QString token = QStringLiteral("project-token");

QJsonObject propertiesOf(const QJsonValue& event)
{
    return event.toObject().value(QStringLiteral("properties")).toObject();
}

// A port on 127.0.0.1 where nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

}

class UsageAnalyticsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }


    void eventNamesInCaseOrder()
    {
        QStringList names;
        for (UsageEvent event : allUsageEvents)
            names.append(usageEventName(event));
        const QStringList expected { "app_opened", "sign_in_started", "sign_in_completed", "sign_in_failed", "logout",
            "board_created", "board_selected", "board_joined", "board_archived", "board_deleted",
            "board_refresh_completed", "item_added", "item_updated", "item_deleted", "item_archived", "item_unarchived",
            "item_merged", "item_moved", "item_status_changed", "board_refresh_requested" };
        QCOMPARE(names, expected);
    }

    void eventsCarryCommonProperties_data()
    {
        QTest::addColumn<QJsonObject>("own");
        QTest::addColumn<QJsonObject>("expected");

        const QJsonObject common { { "app_version", QString::fromUtf8(BundleInfo::shortVersion).trimmed() },
            { "app_build", QString::fromUtf8(BundleInfo::build).trimmed() }, { "environment", "production" } };
        const auto with = [&common](const QJsonObject& own) {
            QJsonObject all = common;
            for (auto it = own.begin(); it != own.end(); ++it)
                all.insert(it.key(), it.value());
            return all;
        };

        const QJsonObject itemUpdated { { "storage", "cloud" }, { "synced", false }, { "status", "IN_PROGRESS" },
            { "result", "local_only" } };
        QTest::newRow("own properties keep their types") << itemUpdated << with(itemUpdated);
        QTest::newRow("own version replaces the common one")
            << QJsonObject { { "app_version", "9.9" } } << with({ { "app_version", "9.9" } });
        QTest::newRow("own environment replaces the common one")
            << QJsonObject { { "environment", "staging" }, { "count", 3 } }
            << with({ { "environment", "staging" }, { "count", 3 } });
        QTest::newRow("no own properties") << QJsonObject() << common;
    }

    void eventsCarryCommonProperties()
    {
        QFETCH(QJsonObject, own);
        QFETCH(QJsonObject, expected);
        TrackServer server;
        UsageAnalytics analytics(settingsFor(server.url()));
        analytics.initialize();
        analytics.track(UsageEvent::itemUpdated, own);
        analytics.initialize(); // app_opened goes out first, once a run
        QVERIFY(QCoro::waitFor(analytics.client()->flush()));

        QCOMPARE(server.acceptedNames(), (QStringList { "app_opened", "item_updated" }));
        const QJsonObject opened = propertiesOf(server.accepted().at(0));
        const QJsonObject updated = propertiesOf(server.accepted().at(1));
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(updated.value(it.key()), it.value());
        QVERIFY(!updated.value("os_version").toString().isEmpty());
        QCOMPARE(opened.value("environment"), QJsonValue("production"));
        // Every event carries the token and the same anonymous identity, never anything of the user.
        for (const QJsonObject& properties : { opened, updated }) {
            QCOMPARE(properties.value("token"), QJsonValue(token));
            QCOMPARE(properties.value("distinct_id").toString(), analytics.client()->distinctId());
        }
    }

    void blankTokenSendsNothing_data()
    {
        QTest::addColumn<QString>("projectToken");
        QTest::newRow("missing") << QString();
        QTest::newRow("blank") << QStringLiteral(" \t\n");
    }

    void blankTokenSendsNothing()
    {
        QFETCH(QString, projectToken);
        TrackServer server;
        UsageAnalytics analytics({ projectToken, server.url(), queueDirectory(), 1ms });
        analytics.initialize();
        QVERIFY(!analytics.isStarted());
        QVERIFY(!analytics.client());
        analytics.track(UsageEvent::itemAdded, { { "storage", "local" } });
        analytics.reset();
        QTest::qWait(50);
        QCOMPARE(server.requestCount(), 0);
        QVERIFY2(!QDir(queueDirectory()).exists(), "an unstarted client keeps nothing on disk");
    }

    void failedUploadKeepsEventsUntilDelivered_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("reason");
        QTest::newRow("server error") << 500 << "HTTP 500";
        QTest::newRow("rejected") << 400 << "HTTP 400";
        QTest::newRow("connection refused") << 0 << "Connection refused";
    }

    void failedUploadKeepsEventsUntilDelivered()
    {
        QFETCH(int, failure);
        QFETCH(QString, reason);
        LogCapture log;
        std::unique_ptr<TrackServer> server;
        quint16 port = 0;
        if (failure > 0) {
            server = std::make_unique<TrackServer>();
            server->answerNext({ failure });
            port = server->port();
        } else {
            port = closedPort();
        }
        const QUrl endpoint(QStringLiteral("http://127.0.0.1:%1/track").arg(port));
        UsageAnalytics analytics(settingsFor(endpoint));
        analytics.initialize();
        analytics.track(UsageEvent::boardCreated, { { "storage", "local" } });

        QVERIFY(!QCoro::waitFor(analytics.client()->flush()));
        QCOMPARE(analytics.client()->pendingCount(), 2);
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines().first().contains(reason), qPrintable(log.lines().first()));
        QVERIFY(log.lines().first().contains(QStringLiteral("2 events kept")));

        if (!server) {
            server = std::make_unique<TrackServer>(port);
            QCOMPARE(server->port(), port);
        }
        QVERIFY(QCoro::waitFor(analytics.client()->flush()));
        QCOMPARE(analytics.client()->pendingCount(), 0);
        QCOMPARE(server->acceptedNames(), (QStringList { "app_opened", "board_created" }));
        QSet<QString> insertIds;
        for (const QJsonValue& event : server->accepted())
            insertIds.insert(propertiesOf(event).value("insert_id").toString());
        QCOMPARE(insertIds.size(), 2);

        const int requests = server->requestCount();
        QVERIFY(QCoro::waitFor(analytics.client()->flush()));
        QCOMPARE(server->requestCount(), requests);
        QCOMPARE(server->accepted().size(), 2);
        // Delivered events are gone from disk too: a restart does not send them again.
        QCOMPARE(clientFor(endpoint)->pendingCount(), 0);
    }

    void largeQueueGoesOutInBatches()
    {
        TrackServer server;
        auto client = clientFor(server.url());
        for (int index = 0; index < 120; ++index)
            client->track(QStringLiteral("event_%1").arg(index), { { "index", index } });

        // The second batch fails: the first stays delivered, the rest waits.
        server.answerNext({ 200, 503 });
        QVERIFY(!QCoro::waitFor(client->flush()));
        QCOMPARE(server.accepted().size(), 50);
        QCOMPARE(client->pendingCount(), 70);

        QVERIFY(QCoro::waitFor(client->flush()));
        QCOMPARE(server.requestCount(), 4);
        QCOMPARE(server.accepted().size(), 120);
        for (int index = 0; index < 120; ++index)
            QCOMPARE(propertiesOf(server.accepted().at(index)).value("index").toInt(), index);
    }

    void restartSendsUnsentEvents()
    {
        const quint16 port = closedPort();
        const QUrl endpoint(QStringLiteral("http://127.0.0.1:%1/track").arg(port));
        QString identity;
        {
            UsageAnalytics firstRun(settingsFor(endpoint));
            firstRun.initialize();
            firstRun.track(UsageEvent::itemAdded, { { "storage", "local" }, { "synced", false }, { "status", "TODO" } });
            identity = firstRun.client()->distinctId();
            QVERIFY(!QCoro::waitFor(firstRun.client()->flush()));
        }
        // A crash in the middle of an append leaves half a line behind.
        QFile queue(QDir(queueDirectory()).filePath(QStringLiteral("events.jsonl")));
        QVERIFY(queue.open(QIODevice::Append));
        queue.write("{\"event\":\"item_del");
        queue.close();

        TrackServer server;
        LogCapture log;
        UsageAnalytics secondRun(settingsFor(server.url()));
        secondRun.initialize();
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().contains(QStringLiteral("unreadable")));
        QCOMPARE(secondRun.client()->distinctId(), identity);
        QVERIFY(QCoro::waitFor(secondRun.client()->flush()));
        QCOMPARE(server.acceptedNames(), (QStringList { "app_opened", "item_added", "app_opened" }));
        for (const QJsonValue& event : server.accepted())
            QCOMPARE(propertiesOf(event).value("distinct_id").toString(), identity);
    }

    // Sign-out records "logout" and then resets: the events already tracked still go out under the
    // identity they were recorded with, and only later ones carry the new identity.
    void resetChangesIdentityAndKeepsTrackedEvents()
    {
        TrackServer server;
        QString before;
        QString after;
        {
            UsageAnalytics analytics(settingsFor(server.url()));
            analytics.initialize();
            analytics.track(UsageEvent::logout);
            before = analytics.client()->distinctId();
            analytics.reset();
            after = analytics.client()->distinctId();
            QVERIFY(after != before);
            QCOMPARE(analytics.client()->pendingCount(), 2);
            analytics.track(UsageEvent::signInStarted, { { "method", "google" } });
        }
        auto restarted = clientFor(server.url());
        QCOMPARE(restarted->distinctId(), after);
        QCOMPARE(restarted->pendingCount(), 3);
        QVERIFY(QCoro::waitFor(restarted->flush()));
        QCOMPARE(server.acceptedNames(), (QStringList { "app_opened", "logout", "sign_in_started" }));
        QStringList identities;
        for (const QJsonValue& event : server.accepted())
            identities.append(propertiesOf(event).value("distinct_id").toString());
        QCOMPARE(identities, (QStringList { before, before, after }));
    }

    void flushIntervalSendsWithoutBeingAsked()
    {
        TrackServer server;
        UsageAnalytics analytics({ token, server.url(), queueDirectory(), 20ms });
        analytics.initialize();
        QTRY_COMPARE(server.acceptedNames(), QStringList { "app_opened" });
        QTRY_COMPARE(analytics.client()->pendingCount(), 0);
    }

    void destroyingTheClientDuringAnUploadEndsTheFlush()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        auto client = clientFor(QUrl(QStringLiteral("http://127.0.0.1:%1/track").arg(silent.serverPort())));
        client->track(QStringLiteral("item_added"), {});
        QCoro::Task<bool> flush = client->flush();
        QTRY_VERIFY(silent.hasPendingConnections());
        QVERIFY(!flush.isReady());
        client.reset();
        QVERIFY(flush.isReady());
        // The event was never acknowledged, so the next run still has it.
        QCOMPARE(clientFor(QUrl(QStringLiteral("http://127.0.0.1:1/track")))->pendingCount(), 1);
    }

private:
    QString queueDirectory() const { return m_dir->filePath(QStringLiteral("analytics")); }
    AnalyticsSettings settingsFor(const QUrl& endpoint, QString projectToken = token) const
    {
        return { std::move(projectToken), endpoint, queueDirectory(), std::chrono::hours(1) };
    }
    std::unique_ptr<AnalyticsClient> clientFor(const QUrl& endpoint) const
    {
        return std::make_unique<AnalyticsClient>(token, endpoint, queueDirectory(), std::chrono::hours(1));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(UsageAnalyticsTest)
#include "UsageAnalyticsTest.moc"
