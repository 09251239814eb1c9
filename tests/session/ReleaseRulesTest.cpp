// The pure rules of the changelog and the update feed: version ordering, the changelog document and
// its sorting, and which release of an update feed counts as newer than the running one.
#include "session/AppcastItem.h"
#include "session/ChangelogEntry.h"
#include "session/VersionComparison.h"

#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(VersionOrder)

class ReleaseRulesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<VersionOrder>("expected");
        const auto newer = VersionOrder::descending;
        const auto older = VersionOrder::ascending;
        QTest::newRow("two-digit minor beats one-digit") << "1.10.0"
                                                         << "1.9.3" << newer;
        QTest::newRow("patch decides") << "1.9.5"
                                       << "1.9.10" << older;
        QTest::newRow("major decides first") << "2.0"
                                             << "1.99.99" << newer;
        QTest::newRow("equal texts") << "1.4.0"
                                     << "1.4.0" << VersionOrder::same;
        QTest::newRow("missing component is 0, text decides") << "2.0"
                                                              << "2.0.0" << older;
        QTest::newRow("word counts as 0") << "beta"
                                          << "0.0.1" << older;
        QTest::newRow("word equals 0.0") << "beta"
                                         << "0" << newer;
        QTest::newRow("mixed component counts as 0") << "1.2rc"
                                                     << "1.1" << older;
        QTest::newRow("leading zeros are numbers") << "1.02"
                                                   << "1.1" << newer;
        QTest::newRow("leading v is not a number") << "v2.0"
                                                   << "1.0" << older;
        QTest::newRow("huge component does not overflow into a win") << "1.99999999999999999999"
                                                                     << "1.1" << older;
    }

    void compareVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(VersionOrder, expected);
        QCOMPARE(::compareVersions(a, b), expected);
        // The order is antisymmetric.
        const VersionOrder reversed = expected == VersionOrder::same ? VersionOrder::same
            : expected == VersionOrder::ascending                    ? VersionOrder::descending
                                                                     : VersionOrder::ascending;
        QCOMPARE(::compareVersions(b, a), reversed);
    }

    void changelogSortsNewestFirst()
    {
        const auto entries
            = ChangelogEntry::decodeDocument("{\"1.2.0\": [\"Old\"], \"beta\": [\"Preview\"], \"1.10.0\": "
                                             "[\"Newest\", \"Second line\"], \"1.9.5\": []}");
        QVERIFY2(entries.has_value(), qPrintable(entries.error()));
        QStringList versions;
        for (const ChangelogEntry& entry : *entries)
            versions.append(entry.version);
        QCOMPARE(versions, (QStringList {"1.10.0", "1.9.5", "1.2.0", "beta"}));
        QCOMPARE(entries->first().changes, (QStringList {"Newest", "Second line"}));
        QVERIFY(entries->at(1).changes.isEmpty());
    }

    void badChangelogDocuments_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("errorMentions");
        QTest::newRow("value is a text")
            << QByteArray("{\"1.0.0\": [\"Fine\"], \"1.1.0\": \"Not a list\"}") << "1.1.0";
        QTest::newRow("list holds a number") << QByteArray("{\"1.1.0\": [\"Fine\", 3]}") << "1.1.0";
        QTest::newRow("top level is a list") << QByteArray("[{\"1.0.0\": [\"Fine\"]}]") << "JSON object";
        QTest::newRow("not JSON") << QByteArray("<html>moved</html>") << "not valid JSON";
        QTest::newRow("empty body") << QByteArray() << "not valid JSON";
    }

    void badChangelogDocuments()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, errorMentions);
        const auto entries = ChangelogEntry::decodeDocument(body);
        QVERIFY(!entries.has_value());
        QVERIFY2(entries.error().contains(errorMentions), qPrintable(entries.error()));
    }

    void newerRelease_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<QString>("currentBuild");
        QTest::addColumn<bool>("newer");
        QTest::newRow("newer version") << "0.2.0"
                                       << "1"
                                       << "0.1.0"
                                       << "7" << true;
        QTest::newRow("same version and build") << "0.1.0"
                                                << "1"
                                                << "0.1.0"
                                                << "1" << false;
        QTest::newRow("same version, newer build") << "0.1.0"
                                                   << "12"
                                                   << "0.1.0"
                                                   << "9" << true;
        QTest::newRow("same version, no build in the feed") << "0.1.0"
                                                            << ""
                                                            << "0.1.0"
                                                            << "9" << false;
        QTest::newRow("older version, newer build") << "0.0.9"
                                                    << "99"
                                                    << "0.1.0"
                                                    << "1" << false;
        QTest::newRow("ten beats nine") << "1.10.0"
                                        << "1"
                                        << "1.9.0"
                                        << "1" << true;
    }

    void newerRelease()
    {
        QFETCH(QString, version);
        QFETCH(QString, build);
        QFETCH(QString, currentVersion);
        QFETCH(QString, currentBuild);
        QFETCH(bool, newer);
        AppcastItem item;
        item.version = version;
        item.build = build;
        QCOMPARE(item.isNewerThan(currentVersion, currentBuild), newer);
    }

    void updateFeedPicksTheNewestRelease()
    {
        const auto releases = AppcastItem::decodeFeed(
            "{\"items\": ["
            "            {\"version\": \"1.9.0\", \"downloadUrl\": \"https://example.test/1.9.0\"},"
            "            {\"version\": \"1.10.0\", \"build\": \"3\", \"title\": \"Plenko 1.10.0\", "
            "\"releaseNotes\": \"Faster sync.\","
            "             \"downloadUrl\": \"https://example.test/1.10.0\", \"publishedAt\": "
            "\"2024-05-01T12:00:00Z\"},"
            "            {\"version\": \"1.2.0\", \"downloadUrl\": \"https://example.test/1.2.0\"}]}");
        QVERIFY2(releases.has_value(), qPrintable(releases.error()));
        const std::optional<AppcastItem> newest = AppcastItem::newest(*releases);
        QVERIFY(newest.has_value());
        QCOMPARE(newest->version, QStringLiteral("1.10.0"));
        QCOMPARE(newest->releaseNotes, QStringLiteral("Faster sync."));
        QCOMPARE(newest->downloadUrl, QUrl(QStringLiteral("https://example.test/1.10.0")));
        QCOMPARE(newest->publishedAt, QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
        QVERIFY(!AppcastItem::newest({}).has_value());
    }

    void safeDownloads_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("safe");
        QTest::newRow("https") << "https://plenko.net/download/2.0" << true;
        QTest::newRow("http") << "http://plenko.net/download/2.0" << false;
        QTest::newRow("file") << "file:///usr/bin/xterm" << false;
        QTest::newRow("custom scheme") << "steam://run/1" << false;
        QTest::newRow("https without host") << "https:///x" << false;
    }

    void safeDownloads()
    {
        QFETCH(QString, address);
        QFETCH(bool, safe);
        AppcastItem item;
        item.downloadUrl = QUrl(address);
        QCOMPARE(item.hasSafeDownload(), safe);
    }

    void badUpdateFeeds_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no items") << QByteArray("{\"releases\": []}");
        QTest::newRow("release without version")
            << QByteArray("{\"items\": [{\"downloadUrl\": \"https://x.test/\"}]}");
        QTest::newRow("release without download page") << QByteArray("{\"items\": [{\"version\": \"2.0\"}]}");
        QTest::newRow("relative download page")
            << QByteArray("{\"items\": [{\"version\": \"2.0\", \"downloadUrl\": \"x\"}]}");
        QTest::newRow("not JSON") << QByteArray("nope");
    }

    void badUpdateFeeds()
    {
        QFETCH(QByteArray, body);
        QVERIFY(!AppcastItem::decodeFeed(body).has_value());
    }
};

QTEST_GUILESS_MAIN(ReleaseRulesTest)
#include "ReleaseRulesTest.moc"
