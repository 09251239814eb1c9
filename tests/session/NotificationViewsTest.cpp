// The notification popover and the account window over a real workspace signed in to the stand-in
// service: what clicking a notification does in each case, the popover's states and rows, and
// "Log Out" removing the cloud boards.
#include "ServiceAccounts.h"
#include "WorkspaceFixture.h"
#include "devserver/Api.h"
#include "session/AccountButton.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "session/AccountDetailsView.h"
#include "session/AuthState.h"
#include "session/ChangelogPopoverView.h"
#include "session/NotificationNavigator.h"
#include "session/NotificationPopoverView.h"
#include "session/NotificationRowView.h"
#include "session/NotificationViewModel.h"
#include "session/UserViewModel.h"
#include "support/LogCapture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoro/QCoroTask>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolButton>

namespace {

// Ann's workspace with her cloud board "Launch" that Bob joined, an item in progress that Bob
// assigned to her there (synchronised here), and an item on Bob's board "Elsewhere", which Ann
// joined behind the workspace's back, so it is not known locally.
struct Scene
{
    Scene()
        : client(&server, QStringLiteral("ann@example.com"))
    {
        if (!server.isRunning() || !client.isValid())
            return;
        bob = server.createAccount(QStringLiteral("bob@example.com"), QStringLiteral("Bob"));
        launch = client.createBoard(QStringLiteral("Launch"), StorageOption::cloud).id;
        if (launch.isNull())
            return;
        Api::join(
            server, bob.accessToken, Api::invite(server, client.account().accessToken, uuidText(launch)));
        ServiceSteps::assignedItem(server, bob, uuidText(launch), client.account(),
            QStringLiteral("Review the launch plan"), QStringLiteral("IN_PROGRESS"));
        const QString elsewhere
            = ServiceSteps::sharedBoard(server, bob, QStringLiteral("Elsewhere"), {&client.account()});
        ServiceSteps::assignedItem(
            server, bob, elsewhere, client.account(), QStringLiteral("Somewhere else"));
        QCoro::waitFor(client.workspace().syncBoard(*client.workspace().findBoard(launch), false));
        elsewhereBoard = QUuid::fromString(elsewhere);
        ready = true;
    }

    // The first notification of the feed of that type on that board.
    std::optional<NotificationItem> find(NotificationType type, const QUuid& board) const
    {
        for (const NotificationItem& item : notifications.feed().items) {
            if (item.type == type && item.boardId == board)
                return item;
        }
        return std::nullopt;
    }

    DevServer server;
    WorkspaceClient client;
    DevServer::Account bob;
    QUuid launch;
    QUuid elsewhereBoard;
    bool ready = false;
    NotificationViewModel notifications {client.api()};
    NotificationNavigator navigator {notifications, client.workspace(), client.toasts()};
};

// A view with its own update() hides QWidget::update(), so a repaint request would not compile, or
// worse, would run the view's own code.
template<typename View> constexpr bool keepsWidgetUpdate = requires(View& view) { view.update(QRect()); };
static_assert(keepsWidgetUpdate<NotificationPopoverView>);
static_assert(keepsWidgetUpdate<ChangelogPopoverView>);
static_assert(keepsWidgetUpdate<AccountDetailsView>);
static_assert(keepsWidgetUpdate<AccountButton>);

QString plain(const QString& html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}

QString labelText(const QWidget& root, const QString& name)
{
    const auto* label = root.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

} // namespace

class NotificationViewsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void clickingANotification_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<bool>("marksRead");
        QTest::addColumn<bool>("selects");
        QTest::addColumn<QStringList>("columnRequests");
        QTest::addColumn<bool>("opensUsersTab");
        const QStringList none;
        QTest::newRow("missing board reference") << "missing" << NotificationNavigator::missingBoardMessage
                                                 << false << false << none << false;
        QTest::newRow("board not known here") << "elsewhere" << NotificationNavigator::boardNotFoundMessage
                                              << true << false << none << false;
        QTest::newRow("member joined") << "joined" << QString() << true << true << none << true;
        QTest::newRow("item assigned") << "assigned" << QString() << true << true
                                       << QStringList {QStringLiteral("IN_PROGRESS")} << false;
    }

    void clickingANotification()
    {
        QFETCH(QString, which);
        QFETCH(QString, toast);
        QFETCH(bool, marksRead);
        QFETCH(bool, selects);
        QFETCH(QStringList, columnRequests);
        QFETCH(bool, opensUsersTab);
        Scene scene;
        QVERIFY2(scene.ready, qPrintable(scene.server.errorString() + scene.client.errorString()));
        QCoro::waitFor(scene.notifications.refresh());
        QCOMPARE(scene.notifications.feed().items.size(), 3);

        std::optional<NotificationItem> notification;
        if (which == QLatin1String("missing")) {
            notification = scene.find(NotificationType::boardMemberJoined(), scene.launch);
            notification->boardId.reset();
        } else if (which == QLatin1String("elsewhere")) {
            notification = scene.find(NotificationType::itemAssigned(), scene.elsewhereBoard);
        } else if (which == QLatin1String("joined")) {
            notification = scene.find(NotificationType::boardMemberJoined(), scene.launch);
        } else {
            notification = scene.find(NotificationType::itemAssigned(), scene.launch);
        }
        QVERIFY(notification.has_value());
        const QUuid before = scene.client.workspace().selectedBoard().id;
        scene.notifications.setPopoverPresented(true);
        QStringList requested;
        connect(&scene.navigator, &NotificationNavigator::itemColumnRequested, this,
            [&requested](ItemStatus status) { requested.append(itemStatusText(status)); });
        QSignalSpy settings(&scene.navigator, &NotificationNavigator::boardSettingsRequested);
        LogCapture log;

        QCoro::waitFor(scene.navigator.open(*notification));
        QTRY_COMPARE(scene.notifications.feed().unreadCount, marksRead ? 2 : 3);
        QCOMPARE(log.lines().filter(QStringLiteral("→ POST")).filter(QStringLiteral("/read")).size(),
            marksRead ? 1 : 0);
        if (toast.isEmpty()) {
            QVERIFY(!scene.client.lastToast() || scene.client.lastToast()->type != ToastType::error);
        } else {
            QCOMPARE(scene.client.lastToast()->type, ToastType::error);
            QCOMPARE(scene.client.lastToast()->message, toast);
        }
        QCOMPARE(scene.notifications.isPopoverPresented(), !selects);
        QCOMPARE(scene.client.workspace().selectedBoard().id, selects ? scene.launch : before);
        QCOMPARE(requested, columnRequests);
        QCOMPARE(settings.size(), opensUsersTab ? 1 : 0);
        if (opensUsersTab) {
            QCOMPARE(settings.first().at(0).toUuid(), scene.launch);
            QCOMPARE(settings.first().at(1).toString(), QStringLiteral("users"));
        }
    }

    void popoverStates()
    {
        Scene scene;
        QVERIFY2(scene.ready, qPrintable(scene.server.errorString() + scene.client.errorString()));
        NotificationPopoverView popover(scene.notifications, scene.navigator);
        popover.show();
        QVERIFY(scene.notifications.isPopoverPresented());
        QCOMPARE(labelText(popover, QStringLiteral("title")), QStringLiteral("Notifications"));
        QCOMPARE(popover.findChild<QPushButton*>(QStringLiteral("readAll"))->toolTip(),
            QStringLiteral("Mark all notifications as read"));
        QCOMPARE(popover.findChild<QToolButton*>(QStringLiteral("refresh"))->toolTip(),
            QStringLiteral("Refresh now"));
        QCOMPARE(popover.currentPage(), NotificationPopoverView::Page::empty);
        QCOMPARE(labelText(popover, QStringLiteral("emptyTitle")), QStringLiteral("You're all caught up"));
        QCOMPARE(labelText(popover, QStringLiteral("emptyDetail")),
            QStringLiteral("We'll let you know when there's something new to review."));
        QCOMPARE(
            labelText(popover, QStringLiteral("unreadCount")), QStringLiteral("0 unread in the last 7 days"));

        scene.notifications.setPollingEnabled(true);
        QTRY_COMPARE(popover.currentPage(), NotificationPopoverView::Page::list);
        QCOMPARE(
            labelText(popover, QStringLiteral("unreadCount")), QStringLiteral("3 unread in the last 7 days"));
        const QList<NotificationRowView*> rows = popover.findChildren<NotificationRowView*>();
        QCOMPARE(rows.size(), 3);
        // The popover hugs its rows: three fit without scrolling, in less than the most it grows to.
        QVERIFY(popover.height() < NotificationPopoverView::maximumPopoverHeight);
        const auto* rowsArea = popover.findChild<QScrollArea*>(QStringLiteral("rows"));
        QTRY_COMPARE(rowsArea->verticalScrollBar()->maximum(), 0);
        QStringList headlines;
        QStringList sentences;
        QStringList contents;
        for (NotificationRowView* row : rows) {
            headlines.append(labelText(*row, QStringLiteral("headline")));
            sentences.append(plain(labelText(*row, QStringLiteral("sentence"))));
            contents.append(labelText(*row, QStringLiteral("content")));
            QCOMPARE(row->findChild<QToolButton*>(QStringLiteral("envelope"))->property("symbol").toString(),
                QStringLiteral("envelope.fill"));
        }
        QCOMPARE(headlines, (QStringList {"New item assigned", "New item assigned", "New board member"}));
        // "Elsewhere" is not known here, so its sentence cannot name it.
        QCOMPARE(sentences,
            (QStringList {"Bob assigned a new item to you", "Bob assigned a new item to you on Launch",
                "Bob joined Launch"}));
        QCOMPARE(
            contents, (QStringList {"Content unavailable", "Review the launch plan", "Content unavailable"}));

        // The envelope marks one read.
        QToolButton* envelope = rows.at(2)->findChild<QToolButton*>(QStringLiteral("envelope"));
        QCOMPARE(envelope->toolTip(), QStringLiteral("Mark notification as read"));
        QTest::mouseClick(envelope, Qt::LeftButton);
        QTRY_COMPARE(
            labelText(popover, QStringLiteral("unreadCount")), QStringLiteral("2 unread in the last 7 days"));
        const QList<NotificationRowView*> updated = popover.findChildren<NotificationRowView*>();
        QCOMPARE(
            updated.at(2)->findChild<QToolButton*>(QStringLiteral("envelope"))->property("symbol").toString(),
            QStringLiteral("envelope.open"));

        // A failed refresh shows the error state; "Try Again" recovers.
        QVERIFY(scene.server.failNext(1, 500, QStringLiteral("/api/notifications"),
            QByteArray(
                "{\"status\": 500, \"code\": \"INTERNAL\", \"message\": \"Feed store unavailable\"}")));
        QTest::mouseClick(popover.findChild<QToolButton*>(QStringLiteral("refresh")), Qt::LeftButton);
        QTRY_COMPARE(popover.currentPage(), NotificationPopoverView::Page::error);
        QCOMPARE(
            labelText(popover, QStringLiteral("errorTitle")), QStringLiteral("Couldn't load notifications"));
        QCOMPARE(labelText(popover, QStringLiteral("errorText")), QStringLiteral("Feed store unavailable"));
        QTest::mouseClick(popover.findChild<QPushButton*>(QStringLiteral("tryAgain")), Qt::LeftButton);
        QTRY_COMPARE(popover.currentPage(), NotificationPopoverView::Page::list);

        QTest::mouseClick(popover.findChild<QPushButton*>(QStringLiteral("readAll")), Qt::LeftButton);
        QTRY_COMPARE(
            labelText(popover, QStringLiteral("unreadCount")), QStringLiteral("0 unread in the last 7 days"));

        // Clicking the Launch assignment row closes the popover and selects the board.
        NotificationRowView* launchRow = popover.findChildren<NotificationRowView*>().at(1);
        QTest::mouseClick(
            launchRow, Qt::LeftButton, {}, QPoint(launchRow->width() / 2, launchRow->height() - 4));
        QTRY_VERIFY(!popover.isVisible());
        QVERIFY(!scene.notifications.isPopoverPresented());
        QTRY_COMPARE(scene.client.workspace().selectedBoard().id, scene.launch);

        // Signing out empties the feed: the popover comes back empty.
        scene.notifications.setPollingEnabled(false);
        popover.show();
        QCOMPARE(popover.currentPage(), NotificationPopoverView::Page::empty);
        QVERIFY(popover.findChildren<NotificationRowView*>().isEmpty());
    }

    // The app makes a popover for each opening and deletes it on close. Going to a board from a row
    // must close it that way too, so no popover (nor its rows, rebuilt on every feed change) is left.
    void rowClicksLeaveNoPopoverBehind()
    {
        Scene scene;
        QVERIFY2(scene.ready, qPrintable(scene.server.errorString() + scene.client.errorString()));
        QCoro::waitFor(scene.notifications.refresh());
        const auto alive = [](const char* className) {
            const auto widgets = QApplication::allWidgets();
            return std::count_if(widgets.begin(), widgets.end(),
                [className](const QWidget* widget) { return widget->inherits(className); });
        };
        for (int opening = 0; opening < 3; ++opening) {
            auto* popover = new NotificationPopoverView(scene.notifications, scene.navigator);
            popover->setAttribute(Qt::WA_DeleteOnClose);
            popover->popUp(nullptr);
            QPointer<NotificationPopoverView> guard(popover);
            QTRY_VERIFY(popover->isVisible());
            NotificationRowView* launchRow = nullptr;
            for (NotificationRowView* row : popover->findChildren<NotificationRowView*>()) {
                if (labelText(*row, QStringLiteral("content")) == QLatin1String("Review the launch plan"))
                    launchRow = row;
            }
            QVERIFY(launchRow);
            QTest::mouseClick(
                launchRow, Qt::LeftButton, {}, QPoint(launchRow->width() / 2, launchRow->height() - 4));
            QTRY_VERIFY(guard.isNull());
            QVERIFY(!scene.notifications.isPopoverPresented());
        }
        QCOMPARE(scene.client.workspace().selectedBoard().id, scene.launch);
        QCOMPARE(alive("NotificationPopoverView"), 0);

        // A feed change now finds no popover to rebuild rows in.
        QCoro::waitFor(scene.notifications.refresh());
        QCOMPARE(scene.notifications.feed().items.size(), 3);
        QCOMPARE(alive("NotificationRowView"), 0);
    }

    void longFeedScrollsAtTheMostHeight()
    {
        Scene scene;
        QVERIFY2(scene.ready, qPrintable(scene.server.errorString() + scene.client.errorString()));
        for (int i = 0; i < 10; ++i) {
            ServiceSteps::assignedItem(scene.server, scene.bob, uuidText(scene.launch), scene.client.account(),
                QStringLiteral("Follow-up %1 with a sentence long enough to wrap onto a second line").arg(i));
        }
        NotificationPopoverView popover(scene.notifications, scene.navigator);
        popover.show();
        const int emptyHeight = popover.height();
        QVERIFY(emptyHeight < NotificationPopoverView::maximumPopoverHeight);
        scene.notifications.setPollingEnabled(true);
        QTRY_COMPARE(popover.findChildren<NotificationRowView*>().size(), 13);
        QCOMPARE(popover.height(), NotificationPopoverView::maximumPopoverHeight);
        const auto* rowsArea = popover.findChild<QScrollArea*>(QStringLiteral("rows"));
        QTRY_VERIFY(rowsArea->verticalScrollBar()->maximum() > 0);
        scene.notifications.setPollingEnabled(false);
    }

    void accountDetailsAndLogOut()
    {
        Scene scene;
        QVERIFY2(scene.ready, qPrintable(scene.server.errorString() + scene.client.errorString()));
        AuthState auth(
            scene.client.api(), scene.client.analytics(), scene.client.toasts(), [](const QUrl&) { return true; });
        QVERIFY(auth.isLoggedIn());
        UserViewModel profile(scene.client.api());
        AccountDetailsView view(profile, auth, scene.client.workspace());
        view.show();
        QCOMPARE(view.objectName(), QStringLiteral("account-details"));
        QCOMPARE(view.windowTitle(), QStringLiteral("Account"));
        QCOMPARE(view.size(), QSize(520, 520));
        QTRY_VERIFY(profile.user().has_value());
        QCOMPARE(labelText(view, QStringLiteral("displayName")), QStringLiteral("ann"));
        QCOMPARE(labelText(view, QStringLiteral("email")), QStringLiteral("ann@example.com"));
        QCOMPARE(labelText(view, QStringLiteral("handleLabel")), QStringLiteral("Handle"));
        QCOMPARE(labelText(view, QStringLiteral("handle")), QStringLiteral("ann"));
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("picture"))->property("showsAvatar").toBool(), false);
        QVERIFY(!view.picture().isNull());

        auto* light = view.findChild<QToolButton*>(QStringLiteral("lightMode"));
        QCOMPARE(light->text(), QStringLiteral("Light Mode"));
        QVERIFY(!light->isEnabled());
        QCOMPARE(light->toolTip(), QStringLiteral("Light mode is in progress"));
        QCOMPARE(labelText(view, QStringLiteral("lightModeInProgress")), QStringLiteral("In progress"));
        auto* dark = view.findChild<QToolButton*>(QStringLiteral("darkMode"));
        QCOMPARE(dark->text(), QStringLiteral("Dark Mode"));
        QVERIFY(dark->isChecked());
        QTest::mouseClick(dark, Qt::LeftButton);
        QVERIFY(dark->isChecked());
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("logOutInfo"))->toolTip(),
            QStringLiteral(
                "Logging out removes synced boards stored on this computer. Cloud boards stay intact and reload "
                "next time you sign in."));

        // A local board survives the log-out; the cloud board does not.
        QCoro::waitFor(scene.client.workspace().createBoard(QStringLiteral("Notes"), StorageOption::local));
        auto* logOut = view.findChild<QPushButton*>(QStringLiteral("logOut"));
        QCOMPARE(logOut->text(), QStringLiteral("Log Out"));
        QTest::mouseClick(logOut, Qt::LeftButton);
        QVERIFY(!auth.isLoggedIn());
        QVERIFY(!profile.user());
        QTRY_VERIFY(scene.client.api().accessToken().isEmpty());
        QTRY_VERIFY(!view.isVisible());
        QCOMPARE(boardNames(scene.client.workspace().boards()), QStringList {QStringLiteral("Notes")});
    }

    // With changes that have not reached the service, "Log Out" asks first. "Sync now" sends them and
    // keeps the session; "Sign out anyway" writes them to a Markdown file in the data folder, says
    // where, and only then clears the cloud boards.
    void logOutWithUnsentChangesAsksFirst()
    {
        Scene scene;
        QVERIFY2(scene.ready, qPrintable(scene.server.errorString() + scene.client.errorString()));
        AuthState auth(
            scene.client.api(), scene.client.analytics(), scene.client.toasts(), [](const QUrl&) { return true; });
        UserViewModel profile(scene.client.api());
        AccountDetailsView view(profile, auth, scene.client.workspace());
        view.show();
        BoardViewModel& workspace = scene.client.workspace();
        auto addPending = [&](const QString& text) {
            const Board board = *workspace.findBoard(scene.launch);
            QVERIFY(scene.server.failNext(1, 503, QStringLiteral("/api/boards/") + uuidText(scene.launch)));
            QCoro::waitFor(workspace.addItem(scene.client.newItem(board, text), board));
        };
        auto prompt = [&]() -> QMessageBox* {
            QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("logOut")), Qt::LeftButton);
            return view.findChild<QMessageBox*>(QStringLiteral("unsentChangesPrompt"));
        };

        addPending(QStringLiteral("Draft the launch mail"));
        QMessageBox* asked = prompt();
        QVERIFY(asked);
        QCOMPARE(asked->text(), QStringLiteral("1 change has not reached the service."));
        QTest::mouseClick(asked->findChild<QPushButton*>(QStringLiteral("syncNow")), Qt::LeftButton);
        QTRY_COMPARE(workspace.unsentChanges().items, 0);
        QVERIFY(auth.isLoggedIn());
        QVERIFY(workspace.findBoard(scene.launch));

        addPending(QStringLiteral("Second *draft*"));
        addPending(QStringLiteral("Third draft"));
        asked = prompt();
        QTRY_VERIFY(asked);
        QCOMPARE(asked->text(), QStringLiteral("2 changes have not reached the service."));
        QTest::mouseClick(asked->findChild<QPushButton*>(QStringLiteral("signOutAnyway")), Qt::LeftButton);
        QTRY_VERIFY(!auth.isLoggedIn());
        QTRY_VERIFY(std::none_of(workspace.boards().cbegin(), workspace.boards().cend(),
            [](const Board& board) { return board.syncWithServer; }));

        QMessageBox* report = nullptr;
        QTRY_VERIFY((report = [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == QLatin1String("signOutReport") && widget->isVisible())
                    return qobject_cast<QMessageBox*>(widget);
            }
            return static_cast<QMessageBox*>(nullptr);
        }()));
        QCOMPARE(report->text(), QStringLiteral("Your unsent changes were saved to a file."));
        const QString path = report->informativeText();
        QVERIFY2(path.startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)), qPrintable(path));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(saved.readAll());
        QVERIFY2(text.contains(QStringLiteral("> Second *draft*")) && text.contains(QStringLiteral("> Third draft")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Draft the launch mail")));
        report->close();
        saved.remove();
        QCOMPARE(scene.client.store().countItems(ItemQuery::onBoard(scene.launch)).value_or(-1), 0);
    }
};

QTEST_MAIN(NotificationViewsTest)
#include "NotificationViewsTest.moc"
