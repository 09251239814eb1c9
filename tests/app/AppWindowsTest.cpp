// The application as started: MyApp over a real store file, signed in to the stand-in service with
// its tokens in the keyring. Every control of the rail and the board header reaches its window,
// popover or dialog; auxiliary windows open one at a time; the account control follows sign-in.
#include "app/AuxiliaryWindows.h"
#include "app/ContentView.h"
#include "app/KeyboardShortcutsWindow.h"
#include "app/MainContentView.h"
#include "app/MyApp.h"
#include "app/RailButton.h"
#include "app/RailView.h"
#include "app/SessionControls.h"
#include "insights/BoardDashboardWindow.h"
#include "insights/BoardsOverviewView.h"
#include "net/NetworkService.h"
#include "session/AccountDetailsView.h"
#include "session/AuthState.h"
#include "session/ChangelogPopoverView.h"
#include "session/FeedbackDialogView.h"
#include "session/NotificationPopoverView.h"
#include "session/SignInView.h"
#include "session/UserViewModel.h"
#include "store/LocalStore.h"
#include "store/StoreContainer.h"
#include "support/DevServer.h"
#include "workspace/BoardViewModel.h"
#include "workspace/settings/BoardSettingsWindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrlQuery>

namespace {
template<typename Window> Window* visibleTopLevel()
{
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget* widget : widgets) {
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

QAction* actionTitled(QMainWindow& window, const QString& title)
{
    const auto actions = window.findChildren<QAction*>();
    for (QAction* action : actions) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}
}

class AppWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // The shared preferences outlive a run (the invite button hides after enough taps).
        LocalStore::shared().removeAll(QString());
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        const QByteArray base = m_server->baseUrl().toString().toUtf8();
        // Read when the shared transport and the view models first come to be.
        qputenv("PLENKO_API_URL", base);
        qputenv("PLENKO_CHANGELOG_URL", base + "/changelog.json");
        qputenv("PLENKO_APPCAST_URL", base + "/appcast.json");

        const DevServer::Account account
            = m_server->createAccount(QStringLiteral("ada@example.com"), QStringLiteral("Ada"));
        QVERIFY2(account.isValid(), qPrintable(m_server->errorString()));
        QCoro::waitFor(NetworkService::shared().setTokens({account.accessToken, account.refreshToken}));

        QVERIFY(m_dir.isValid());
        auto store = StoreContainer::open(m_dir.path(), QStringLiteral("net.plenko.app-windows-test"));
        QVERIFY2(store.has_value(), qPrintable(store ? QString() : store.error().message));
        auto app = MyApp::create(std::move(*store));
        QVERIFY(app.has_value());
        m_app = std::move(*app);
        m_app->showMainWindow();
        QTRY_VERIFY_WITH_TIMEOUT(content()->hasStarted(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_app->auth().isLoggedIn(), 10000);
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_server.reset();
    }

    void cleanup()
    {
        m_app->windows().closeAll();
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget* widget : widgets) {
            if (widget != m_app->mainWindow() && widget->isVisible())
                widget->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The sign-in state loads the profile at start; the account views take its answer.
    void profileIsRequestedOnceAtStart()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_app->auth().currentUser() && m_app->session().profile().user(), 10000);
        QCOMPARE(m_server->answered("GET", QStringLiteral("/api/users/me")), 1);
    }

    void headerButtonsOpenOneAuxiliaryWindowAtATime()
    {
        MainContentView* main = content()->mainContent();
        QTest::mouseClick(main->settingsButton(), Qt::LeftButton);
        QPointer<QWidget> settings = m_app->windows().window(BoardSettingsWindow::identifier());
        QVERIFY(settings);
        QVERIFY(settings->isVisible());
        QCOMPARE(settings->windowTitle(), QStringLiteral("Board Settings"));
        QCOMPARE(qobject_cast<BoardSettingsWindow*>(settings.data())->board().id,
            m_app->boardViewModel().selectedBoard().id);

        QTest::mouseClick(main->dashboardButton(), Qt::LeftButton);
        QWidget* dashboard = m_app->windows().window(QString::fromLatin1(BoardDashboardWindow::identifier));
        QVERIFY(qobject_cast<BoardDashboardWindow*>(dashboard));
        QVERIFY(dashboard->isVisible());
        QCOMPARE(dashboard->size(), QSize(1100, 700));
        // The settings window closed as if its close button had been pressed.
        QTRY_VERIFY(!settings || !settings->isVisible());

        QVERIFY(!m_app->windows().open(QStringLiteral("no-such-window")));
        QVERIFY2(dashboard->isVisible(), "an unknown identifier must not close the open window");
    }

    void inviteOpensTheUsersTabOfACloudBoard()
    {
        BoardViewModel& workspace = m_app->boardViewModel();
        QCoro::waitFor(workspace.createBoard(QStringLiteral("Team"), StorageOption::cloud));
        const QList<Board>& boards = workspace.boards();
        const auto team = std::find_if(boards.begin(), boards.end(),
            [](const Board& board) { return board.name == QStringLiteral("Team"); });
        QVERIFY(team != boards.end());
        QVERIFY(team->syncWithServer);
        QCoro::waitFor(workspace.selectBoard(team->id));

        QPushButton* invite
            = content()->mainContent()->findChild<QPushButton*>(QStringLiteral("inviteButton"));
        QVERIFY(invite);
        QTRY_VERIFY(invite->isVisible());
        QTest::mouseClick(invite, Qt::LeftButton);
        auto* settings
            = qobject_cast<BoardSettingsWindow*>(m_app->windows().window(BoardSettingsWindow::identifier()));
        QVERIFY(settings);
        QCOMPARE(settings->board().name, QStringLiteral("Team"));
        QCOMPARE(settings->selectedTab(), BoardSettingsTab::users);
    }

    void railButtonsOpenTheirPopoversAndDialogs()
    {
        RailView* rail = content()->rail();
        QTest::mouseClick(rail->button(QStringLiteral("railNotifications")), Qt::LeftButton);
        QTRY_VERIFY(visibleTopLevel<NotificationPopoverView>());
        visibleTopLevel<NotificationPopoverView>()->close();

        QTest::mouseClick(rail->button(QStringLiteral("railChangelog")), Qt::LeftButton);
        QTRY_VERIFY(visibleTopLevel<ChangelogPopoverView>());
        // The popover fetched the stand-in service's changelog, which lists the running version.
        ChangelogPopoverView* changelog = visibleTopLevel<ChangelogPopoverView>();
        QTRY_VERIFY_WITH_TIMEOUT(changelog->findChild<QWidget*>(QStringLiteral("currentBuildBadge")), 10000);
        QVERIFY(!changelog->findChild<QWidget*>(QStringLiteral("mismatchNote"))->isVisible());
        changelog->close();

        QTest::mouseClick(rail->button(QStringLiteral("railFeedback")), Qt::LeftButton);
        auto* feedback = visibleTopLevel<FeedbackDialogView>();
        QVERIFY(feedback);
        QCOMPARE(feedback->parentWidget(), m_app->mainWindow());
    }

    void checkForUpdatesReportsTheRunningVersionAsNewest()
    {
        QAction* check = actionTitled(*m_app->mainWindow(), QStringLiteral("Check for Updates…"));
        QVERIFY(check);
        QVERIFY(check->isEnabled());
        check->trigger();
        QMessageBox* message = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (message = m_app->mainWindow()->findChild<QMessageBox*>(QStringLiteral("updateMessage")))
                && message->isVisible(),
            10000);
        QCOMPARE(message->text(), QStringLiteral("You're up to date"));
    }

    // The window manager draws every window's frame, title and controls; each window has a title.
    void windowsKeepTheDesktopsDecorations()
    {
        QMainWindow* main = m_app->mainWindow();
        QVERIFY(!main->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(main->windowTitle(), QStringLiteral("Plenko"));
        QVERIFY(main->menuBar()->isVisible());
        for (const QString& identifier : { BoardSettingsWindow::identifier(),
                 QString::fromLatin1(BoardDashboardWindow::identifier), AccountDetailsView::windowIdentifier }) {
            QVERIFY(m_app->windows().open(identifier));
            QWidget* window = m_app->windows().window(identifier);
            QVERIFY2(window && window->isVisible(), qPrintable(identifier));
            QVERIFY2(!window->windowFlags().testFlag(Qt::FramelessWindowHint), qPrintable(identifier));
            QVERIFY2(!window->windowTitle().isEmpty(), qPrintable(identifier));
            QCOMPARE(window->findChildren<QWidget*>(QStringLiteral("windowControls")).size(), 0);
            m_app->windows().closeAll();
        }
    }

    void helpMenuOpensAboutAndKeyboardShortcuts()
    {
        QAction* about = actionTitled(*m_app->mainWindow(), QStringLiteral("About Plenko"));
        QVERIFY(about);
        about->trigger();
        auto* message = m_app->mainWindow()->findChild<QMessageBox*>(QStringLiteral("aboutPlenko"));
        QVERIFY(message && message->isVisible());
        QVERIFY2(message->text().startsWith(QStringLiteral("Plenko ")), qPrintable(message->text()));
        QCOMPARE(message->windowTitle(), QStringLiteral("About Plenko"));
        message->close();

        QAction* shortcuts = actionTitled(*m_app->mainWindow(), QStringLiteral("Keyboard Shortcuts"));
        QVERIFY(shortcuts);
        shortcuts->trigger();
        auto* window = visibleTopLevel<KeyboardShortcutsWindow>();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Keyboard Shortcuts"));
        QStringList rows;
        for (QTreeWidgetItemIterator it(window->list()); *it; ++it)
            rows << (*it)->text(0) + QLatin1Char('=') + (*it)->text(1);
        QVERIFY2(rows.contains(QStringLiteral("Refresh board=Ctrl+R")), qPrintable(rows.join(QLatin1Char('|'))));
        QVERIFY2(rows.contains(QStringLiteral("Move to Done=Alt+3")), qPrintable(rows.join(QLatin1Char('|'))));
        window->close();
    }

    // At the default size the reports fit across: fewer card columns instead of a sideways scroll.
    void reportsFitTheDefaultWindow()
    {
        BoardViewModel& workspace = m_app->boardViewModel();
        for (const QString& name : { QStringLiteral("R1"), QStringLiteral("R2"), QStringLiteral("R3"), QStringLiteral("R4") })
            QCoro::waitFor(workspace.createBoard(name, StorageOption::local));
        m_app->mainWindow()->resize(880, 680);
        QTest::mouseClick(content()->rail()->button(QStringLiteral("railReports")), Qt::LeftButton);
        BoardsOverviewView* overview = content()->boardsOverview();
        QTRY_VERIFY(overview->isVisible());
        auto* scroll = overview->findChild<QScrollArea*>();
        QVERIFY(scroll);
        QTRY_VERIFY(scroll->widget()->width() <= scroll->viewport()->width());
        QVERIFY(scroll->widget()->minimumSizeHint().width() <= scroll->viewport()->width());
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(overview->columns(), 2);
        // A wide window gets all three columns back.
        m_app->mainWindow()->resize(1400, 800);
        QTRY_COMPARE(overview->columns(), 3);
        QTRY_VERIFY(scroll->widget()->width() <= scroll->viewport()->width());
        m_app->mainWindow()->resize(880, 680);
        QTest::mouseClick(content()->rail()->button(QStringLiteral("railBoards")), Qt::LeftButton);
    }

    // The account control sits at the foot of the sidebar; with the sidebar hidden the rail's
    // account button takes its place.
    void accountStaysReachableWithTheSidebarHidden()
    {
        RailButton* railAccount = content()->rail()->button(QStringLiteral("railAccount"));
        QVERIFY(!railAccount->isVisible());
        content()->setSidebarVisible(false);
        QVERIFY(railAccount->isVisible());
        QTest::mouseClick(railAccount, Qt::LeftButton);
        QWidget* details = m_app->windows().window(AccountDetailsView::windowIdentifier);
        QVERIFY(details && details->isVisible());
        m_app->windows().closeAll();
        content()->setSidebarVisible(true);
        QVERIFY(!railAccount->isVisible());
    }

    void accountControlFollowsSignIn()
    {
        QWidget* account = content()->findChild<QWidget*>(QStringLiteral("accountButton"));
        QVERIFY(account);
        QVERIFY(account->isVisible());
        QVERIFY(!content()->rail()->button(QStringLiteral("railAccount"))->isVisible());
        QVERIFY(!content()->rail()->button(QStringLiteral("railSignIn"))->isVisible());

        auto* press = account->findChild<QToolButton*>(QStringLiteral("account"));
        QVERIFY(press);
        QTest::mouseClick(press, Qt::LeftButton);
        QWidget* details = m_app->windows().window(AccountDetailsView::windowIdentifier);
        QVERIFY(qobject_cast<AccountDetailsView*>(details));
        QCOMPARE(details->windowTitle(), QStringLiteral("Account"));
        auto* service = details->findChild<QLabel*>(QStringLiteral("serviceAddress"));
        QVERIFY(service);
        QCOMPARE(service->text(), m_server->baseUrl().toString(QUrl::StripTrailingSlash));

        auto* logOut = details->findChild<QPushButton*>(QStringLiteral("logOut"));
        QVERIFY(logOut);
        QVERIFY(logOut->isEnabled());
        QTest::mouseClick(logOut, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_app->auth().isLoggedIn(), 10000);
        QVERIFY(!account->isVisible());
        QWidget* signIn = content()->rail()->button(QStringLiteral("railSignIn"));
        QVERIFY(signIn->isVisible());
        // "Sign In" first asks where the service is; Escape leaves it.
        QTest::mouseClick(signIn, Qt::LeftButton);
        QPointer<SignInView> dialog = content()->signInView();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->addressField()->text(), m_server->baseUrl().toString(QUrl::StripTrailingSlash));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog);
        // Logging out leaves only the local boards.
        const auto hasCloudBoard = [this] {
            const QList<Board>& boards = m_app->boardViewModel().boards();
            return std::any_of(
                boards.begin(), boards.end(), [](const Board& board) { return board.syncWithServer; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(!hasCloudBoard(), 10000);
        QVERIFY(!m_app->boardViewModel().boards().isEmpty());
    }

    void profileIsRequestedOnceAtSignIn()
    {
        AuthState& auth = m_app->auth();
        if (auth.isLoggedIn())
            QCoro::waitFor(auth.signOut());
        QVERIFY(!m_app->session().profile().user());
        const int before = m_server->answered("GET", QStringLiteral("/api/users/me"));
        QVERIFY(before >= 0);

        // The browser's part of the sign-in, played here: the service hands back the callback.
        const QString nonce = AuthState::makeDeviceNonce();
        QCOMPARE(
            m_server->request("GET", QStringLiteral("/auth/google/start?deviceNonce=") + nonce).status, 200);
        const DevServer::Reply chosen = m_server->request("GET",
            QStringLiteral("/auth/google/complete?deviceNonce=%1&email=ada@example.com&displayName=Ada")
                .arg(nonce));
        QCOMPARE(chosen.status, 302);
        const QUrl callback(QString::fromUtf8(chosen.header("Location")));
        const QString ott = QUrlQuery(callback).queryItemValue(QStringLiteral("ott"), QUrl::FullyDecoded);
        QVERIFY(!ott.isEmpty());
        QCoro::waitFor(auth.completeSignIn(nonce, ott));
        QVERIFY(auth.isLoggedIn());

        QTRY_VERIFY_WITH_TIMEOUT(auth.currentUser() && m_app->session().profile().user(), 10000);
        QCOMPARE(m_app->session().profile().user()->email, QStringLiteral("ada@example.com"));
        QCOMPARE(m_server->answered("GET", QStringLiteral("/api/users/me")), before + 1);
    }

private:
    ContentView* content() const { return qobject_cast<ContentView*>(m_app->mainWindow()->centralWidget()); }

    std::unique_ptr<DevServer> m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<MyApp> m_app;
};

QTEST_MAIN(AppWindowsTest)
#include "AppWindowsTest.moc"
