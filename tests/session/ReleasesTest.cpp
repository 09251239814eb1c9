// The changelog and the update check against the stand-in service's /changelog.json and
// /appcast.json: fetching, the popover's states and texts, the update dialogs, the once-a-day
// schedule and the download page.
#include "domain/IsoDate.h"
#include "session/ChangelogPopoverView.h"
#include "session/ChangelogViewModel.h"
#include "session/UpdateAvailableDialog.h"
#include "session/UpdatePrompter.h"
#include "session/UpdaterViewModel.h"
#include "store/LocalStore.h"
#include "support/DevServer.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {

QUrl documentUrl(const DevServer& server, const QString& path)
{
    QUrl url = server.baseUrl();
    url.setPath(path);
    return url;
}

// The visible texts of the labels named `name` under the widget, in layout order.
QStringList visibleTexts(const QWidget& root, const QString& name)
{
    QStringList texts;
    for (const QLabel* label : root.findChildren<QLabel*>(name)) {
        if (label->isVisibleTo(&root))
            texts.append(label->text());
    }
    return texts;
}

// A stand-in service whose update feed announces the version.
DevServer::Options announcing(const QString& version)
{
    DevServer::Options options;
    options.latestVersion = version;
    return options;
}

UpdaterOptions updaterOptions(const QUrl& appcastUrl, const QString& runningVersion,
    bool startsScheduledChecks, std::function<bool(const QUrl&)> openUrl = {})
{
    UpdaterOptions options;
    options.appcastUrl = appcastUrl;
    options.currentVersion = runningVersion;
    options.currentBuild = QStringLiteral("1");
    options.openUrl = std::move(openUrl);
    options.startsScheduledChecks = startsScheduledChecks;
    return options;
}

qsizetype requestsTo(const DevServer& server, const QString& path)
{
    return server.output().filter(QStringLiteral("GET ") + path + QStringLiteral(" ")).size();
}

} // namespace

class ReleasesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void changelogFromTheService()
    {
        DevServer server(announcing(QStringLiteral("0.10.0")));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        ChangelogViewModel viewModel(documentUrl(server, QStringLiteral("/changelog.json")));
        QCoro::waitFor(viewModel.loadChangelog());
        QVERIFY(!viewModel.errorMessage());
        QCOMPARE(viewModel.entries().size(), 2);
        QCOMPARE(viewModel.entries().at(0).version, QStringLiteral("0.10.0"));
        QCOMPARE(viewModel.entries().at(1).version, QStringLiteral("0.1.0"));
        QCOMPARE(viewModel.entries().at(1).changes.size(), 3);
        QVERIFY(!viewModel.isLoading());
    }

    void urlComesFromTheEnvironmentUnlessGiven()
    {
        qputenv(ChangelogViewModel::urlEnvironmentVariable, "http://127.0.0.1:9/elsewhere.json");
        qputenv(UpdaterViewModel::urlEnvironmentVariable, "http://127.0.0.1:9/feed.json");
        QCOMPARE(
            ChangelogViewModel().changelogUrl(), QUrl(QStringLiteral("http://127.0.0.1:9/elsewhere.json")));
        QCOMPARE(ChangelogViewModel(QUrl(QStringLiteral("http://127.0.0.1:9/given.json"))).changelogUrl(),
            QUrl(QStringLiteral("http://127.0.0.1:9/given.json")));
        QTemporaryDir dir;
        LocalStore preferences(dir.filePath(QStringLiteral("prefs.ini")));
        UpdaterOptions fromEnvironment;
        fromEnvironment.startsScheduledChecks = false;
        QCOMPARE(UpdaterViewModel(preferences, fromEnvironment).appcastUrl(),
            QUrl(QStringLiteral("http://127.0.0.1:9/feed.json")));
        qunsetenv(ChangelogViewModel::urlEnvironmentVariable);
        qunsetenv(UpdaterViewModel::urlEnvironmentVariable);
        // The maker's site keeps the document under the product's own folder.
        const QUrl builtIn = ChangelogViewModel().changelogUrl();
        QCOMPARE(builtIn.scheme(), QStringLiteral("https"));
        QVERIFY2(builtIn.path().endsWith(QStringLiteral("/plenko/changelog.json")),
            qPrintable(builtIn.toString()));
    }

    void badDocumentShowsTheEmptyStateAndRetryRecovers()
    {
        DevServer server(announcing(QStringLiteral("0.2.0")));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        // One value that is not a list of texts spoils the whole document.
        QVERIFY(server.injectFault({{"kind", "malformed"}, {"pathPrefix", "/changelog.json"}, {"status", 200},
            {"body", R"({"0.2.0": ["Fine"], "0.1.0": "Not a list"})"}}));
        ChangelogViewModel viewModel(documentUrl(server, QStringLiteral("/changelog.json")));
        ChangelogPopoverView popover(viewModel, QStringLiteral("0.2.0"));
        popover.show(); // shown without entries: loads at once
        QTRY_VERIFY(viewModel.errorMessage().has_value());
        QTRY_VERIFY(!viewModel.isLoading());
        QVERIFY(viewModel.entries().isEmpty());
        QCOMPARE(visibleTexts(popover, QStringLiteral("emptyText")),
            QStringList {QStringLiteral("No changelog entries available.")});
        QVERIFY(visibleTexts(popover, QStringLiteral("mismatchNote")).isEmpty());

        QPushButton* retry = popover.findChild<QPushButton*>(QStringLiteral("retry"));
        QVERIFY(retry && retry->isVisible());
        QTest::mouseClick(retry, Qt::LeftButton);
        QTRY_COMPARE(viewModel.entries().size(), 2);
        QTRY_VERIFY(!viewModel.isLoading());
        QVERIFY(!viewModel.errorMessage());
        QVERIFY(visibleTexts(popover, QStringLiteral("emptyText")).isEmpty());
        QCOMPARE(visibleTexts(popover, QStringLiteral("version")), (QStringList {"0.2.0", "0.1.0"}));
        // Two short entries: the popover hugs them, and nothing needs scrolling.
        QVERIFY(popover.height() < ChangelogPopoverView::maximumPopoverHeight);
        const auto* entries = popover.findChild<QScrollArea*>(QStringLiteral("entries"));
        QTRY_COMPARE(entries->verticalScrollBar()->maximum(), 0);
    }

    void popoverMarksTheRunningVersion_data()
    {
        QTest::addColumn<std::optional<QString>>("currentVersion");
        QTest::addColumn<QString>("versionLine");
        QTest::addColumn<int>("badges");
        QTest::addColumn<bool>("mismatch");
        QTest::newRow("running a listed version")
            << std::optional<QString>(QStringLiteral("0.1.0")) << "Your version: v0.1.0" << 1 << false;
        QTest::newRow("running an unlisted build")
            << std::optional<QString>(QStringLiteral("0.1.1")) << "Your version: v0.1.1" << 0 << true;
        // "v0.1.0" is not the key "0.1.0": the comparison is on the exact text.
        QTest::newRow("leading v does not match")
            << std::optional<QString>(QStringLiteral("v0.1.0")) << "Your version: vv0.1.0" << 0 << true;
        QTest::newRow("version unknown") << std::optional<QString>() << QString() << 0 << true;
    }

    void popoverMarksTheRunningVersion()
    {
        QFETCH(std::optional<QString>, currentVersion);
        QFETCH(QString, versionLine);
        QFETCH(int, badges);
        QFETCH(bool, mismatch);
        DevServer server(announcing(QStringLiteral("0.3.0")));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        ChangelogViewModel viewModel(documentUrl(server, QStringLiteral("/changelog.json")));
        ChangelogPopoverView popover(viewModel, currentVersion);
        popover.show();
        QCOMPARE(visibleTexts(popover, QStringLiteral("title")), QStringList {QStringLiteral("Changelog")});
        QCOMPARE(visibleTexts(popover, QStringLiteral("loading")),
            QStringList {QStringLiteral("Refreshing changelog…")});
        QTRY_COMPARE(viewModel.entries().size(), 2);
        QTRY_VERIFY(!viewModel.isLoading());
        QCOMPARE(visibleTexts(popover, QStringLiteral("currentVersion")),
            versionLine.isEmpty() ? QStringList() : QStringList {versionLine});
        QVERIFY(visibleTexts(popover, QStringLiteral("loading")).isEmpty());
        QCOMPARE(visibleTexts(popover, QStringLiteral("currentBuildBadge")).size(), badges);
        if (badges > 0) {
            const QLabel* badge = popover.findChild<QLabel*>(QStringLiteral("currentBuildBadge"));
            QCOMPARE(badge->text(), QStringLiteral("current build"));
            QCOMPARE(badge->parentWidget()->property("version").toString(), *currentVersion);
        }
        QCOMPARE(visibleTexts(popover, QStringLiteral("mismatchNote")).size(), mismatch ? 1 : 0);
        QVERIFY(
            visibleTexts(popover, QStringLiteral("change")).first().endsWith(QStringLiteral("update feed.")));
    }

    void fetchFailureKeepsEntries()
    {
        DevServer server(announcing(QStringLiteral("0.3.0")));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        ChangelogViewModel viewModel(documentUrl(server, QStringLiteral("/changelog.json")));
        QCoro::waitFor(viewModel.loadChangelog());
        QCOMPARE(viewModel.entries().size(), 2);
        QVERIFY(server.failNext(1, 503, QStringLiteral("/changelog.json")));
        QCoro::waitFor(viewModel.loadChangelog());
        QVERIFY(viewModel.errorMessage().has_value());
        QVERIFY2(
            viewModel.errorMessage()->contains(QStringLiteral("503")), qPrintable(*viewModel.errorMessage()));
        QCOMPARE(viewModel.entries().size(), 2);
    }

    void updateCheck_data()
    {
        QTest::addColumn<QString>("latestVersion");
        QTest::addColumn<QString>("runningVersion");
        QTest::addColumn<bool>("newer");
        QTest::newRow("newer release") << "0.10.0"
                                       << "0.9.2" << true;
        QTest::newRow("same release") << "0.4.0"
                                      << "0.4.0" << false;
        QTest::newRow("running ahead of the feed") << "0.4.0"
                                                   << "0.5.0" << false;
    }

    void updateCheck()
    {
        QFETCH(QString, latestVersion);
        QFETCH(QString, runningVersion);
        QFETCH(bool, newer);
        DevServer server(announcing(latestVersion));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        LocalStore preferences(dir.filePath(QStringLiteral("prefs.ini")));
        QList<QUrl> opened;
        UpdaterViewModel updater(preferences,
            updaterOptions(documentUrl(server, QStringLiteral("/appcast.json")), runningVersion, false,
                [&opened](const QUrl& url) {
                    opened.append(url);
                    return true;
                }));
        QWidget window;
        UpdatePrompter prompter(updater, &window);
        QSignalSpy available(&updater, &UpdaterViewModel::updateAvailable);
        QSignalSpy current(&updater, &UpdaterViewModel::upToDate);

        QCoro::waitFor(updater.checkForUpdates());
        QCOMPARE(available.size(), newer ? 1 : 0);
        QCOMPARE(current.size(), newer ? 0 : 1);
        QVERIFY(updater.lastCheckAt().has_value());
        QVERIFY(prompter.currentDialog());
        QTRY_VERIFY(prompter.currentDialog()->isVisible());

        if (!newer) {
            auto* box = qobject_cast<QMessageBox*>(prompter.currentDialog());
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("You're up to date"));
            QCOMPARE(box->informativeText(),
                QStringLiteral("Plenko %1 is the newest version available.").arg(runningVersion));
            QVERIFY(!updater.openDownloadPage());
            QVERIFY(opened.isEmpty());
            return;
        }
        QCOMPARE(updater.availableUpdate()->version, latestVersion);
        auto* dialog = qobject_cast<UpdateAvailableDialog*>(prompter.currentDialog());
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("summary"))->text(),
            QStringLiteral("Plenko %1 is available — you have %2.").arg(latestVersion, runningVersion));
        QCOMPARE(dialog->findChild<QTextBrowser*>(QStringLiteral("releaseNotes"))->toPlainText(),
            QStringLiteral("Release %1 of the stand-in service's update feed.").arg(latestVersion));
        // The stand-in serves plain http, so its download page is not a secure address: refused.
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("download")), Qt::LeftButton);
        QVERIFY(opened.isEmpty());
        QVERIFY(!updater.openDownloadPage());
    }

    void failedCheckIsReportedOnlyWhenAsked()
    {
        DevServer server(announcing(QStringLiteral("0.9.0")));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        LocalStore preferences(dir.filePath(QStringLiteral("prefs.ini")));
        UpdaterViewModel updater(preferences,
            updaterOptions(
                documentUrl(server, QStringLiteral("/appcast.json")), QStringLiteral("0.1.0"), false));
        QWidget window;
        UpdatePrompter prompter(updater, &window);
        QSignalSpy failed(&updater, &UpdaterViewModel::checkFailed);

        QVERIFY(server.malformedNext(1, QStringLiteral("/appcast.json")));
        QCoro::waitFor(updater.checkInBackground());
        QCOMPARE(failed.size(), 0);
        QVERIFY(!prompter.currentDialog());

        QVERIFY(server.failNext(1, 500, QStringLiteral("/appcast.json")));
        QCoro::waitFor(updater.checkForUpdates());
        QCOMPARE(failed.size(), 1);
        auto* box = qobject_cast<QMessageBox*>(prompter.currentDialog());
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Couldn't check for updates"));
        QVERIFY2(box->informativeText().contains(QStringLiteral("500")), qPrintable(box->informativeText()));
    }

    void scheduledCheckAtMostOnceADay_data()
    {
        QTest::addColumn<std::optional<qint64>>("lastCheckHoursAgo");
        QTest::addColumn<bool>("checks");
        QTest::newRow("never checked") << std::optional<qint64>() << true;
        QTest::newRow("an hour ago") << std::optional<qint64>(1) << false;
        QTest::newRow("23 hours ago") << std::optional<qint64>(23) << false;
        QTest::newRow("25 hours ago") << std::optional<qint64>(25) << true;
        // A clock that was set back must not stop the checks for good.
        QTest::newRow("in the future") << std::optional<qint64>(-48) << true;
    }

    void scheduledCheckAtMostOnceADay()
    {
        QFETCH(std::optional<qint64>, lastCheckHoursAgo);
        QFETCH(bool, checks);
        DevServer server(announcing(QStringLiteral("0.9.0")));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        LocalStore preferences(dir.filePath(QStringLiteral("prefs.ini")));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (lastCheckHoursAgo)
            preferences.set(
                isoDateText(now.addSecs(-*lastCheckHoursAgo * 3600)), UpdaterViewModel::lastCheckKey());

        UpdaterViewModel updater(preferences,
            updaterOptions(
                documentUrl(server, QStringLiteral("/appcast.json")), QStringLiteral("0.1.0"), true));
        QSignalSpy available(&updater, &UpdaterViewModel::updateAvailable);
        if (checks) {
            QVERIFY(available.wait(10000));
            QCOMPARE(available.first().at(1).toBool(), false); // not asked for by the user
            QVERIFY(updater.lastCheckAt().value() >= now.addSecs(-1));
            QCOMPARE(requestsTo(server, QStringLiteral("/appcast.json")), 1);
        } else {
            QVERIFY(!available.wait(500));
            QCOMPARE(requestsTo(server, QStringLiteral("/appcast.json")), 0);
            QCOMPARE(preferences.get(UpdaterViewModel::lastCheckKey()),
                isoDateText(now.addSecs(-*lastCheckHoursAgo * 3600)));
        }
    }
};

QTEST_MAIN(ReleasesTest)
#include "ReleasesTest.moc"
