#include "WorkspaceFixture.h"
#include "support/DevServerTestCase.h"

#include "app/AppNotifications.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "app/sidebar/SidebarArchivedList.h"
#include "app/sidebar/SidebarBoardDelegate.h"
#include "app/sidebar/SidebarDividerView.h"
#include "app/sidebar/SidebarMainHeader.h"
#include "app/sidebar/SidebarSectionView.h"
#include "app/sidebar/SidebarView.h"
#include "domain/Ids.h"
#include "session/AccountDetailsView.h"
#include "session/AuthState.h"
#include "session/UserViewModel.h"
#include "store/LocalDataService.h"
#include "store/PendingBoardInfoStore.h"
#include "store/PreferenceKeys.h"
#include "sidebar/BoardTransfer.h"
#include "sidebar/ItemTransfer.h"
#include "sidebar/SidebarLayoutController.h"
#include "sidebar/SidebarListModel.h"
#include "store/LocalRecordConversions.h"
#include "workspace/settings/JoinBoardView.h"

#include <QApplication>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

namespace {
// The sidebar over one client, with its own sign-in state and notification centre.
struct SidebarHarness
{
    explicit SidebarHarness(WorkspaceClient& client)
        : analytics(AnalyticsSettings {})
        , auth(client.api(), analytics, client.toasts(), [](const QUrl&) { return true; })
        , view(SidebarView::Services {client.workspace(), client.preferences(), client.toasts(), &auth, &notifications})
    {
        view.resize(260, 560);
    }

    UsageAnalytics analytics;
    AuthState auth;
    NotificationCenter notifications;
    SidebarView view;
};

QStringList rowNames(SidebarSectionView* section)
{
    QStringList names;
    for (int row = 0; row < section->model()->rowCount(); ++row) {
        const QModelIndex index = section->model()->index(row, 0);
        names << (index.data(SidebarListModel::IsDividerRole).toBool() ? QStringLiteral("—")
                                                                      : index.data(SidebarListModel::BoardNameRole).toString());
    }
    return names;
}

bool dropOnRow(SidebarSectionView* section, QMimeData* mimeData, int row)
{
    const QPoint position = section->visualRect(section->model()->index(row, 0)).center();
    // Qt delivers moves and the drop only to the widget that accepted the drag on entering.
    QDragEnterEvent enter(position, Qt::MoveAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(section->viewport(), &enter);
    QDragMoveEvent move(position, Qt::MoveAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(section->viewport(), &move);
    QDropEvent drop(position, Qt::MoveAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(section->viewport(), &drop);
    return drop.isAccepted();
}

QString grab(QWidget* widget, const QString& name)
{
    const QString path = QStringLiteral("/tmp/") + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}
}

class SidebarViewTest : public DevServerTestCase
{
    Q_OBJECT

private:
    // A cloud board made at the service only, as another device of the same account would.
    bool createRemoteBoard(WorkspaceClient& client, const QString& name)
    {
        const auto reply = m_server->request("POST", QStringLiteral("/api/boards"),
            QJsonDocument(QJsonObject {{QStringLiteral("name"), name}}).toJson(), client.account().accessToken);
        return reply.status == 200 || reply.status == 201;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Palette::applyTo(*qApp);
        DevServerTestCase::initTestCase();
    }

    // Log Out from the account view with the sidebar wired to the same sign-in, as in the
    // application: the sidebar drops the cloud boards from the workspace the moment the sign-in
    // ends, and their traces (pending description, highlight, refresh state) still leave with them.
    // "Sync now" first sends what an archived cloud board holds, too.
    void logOutWithTheSidebarShownLeavesNoCloudTrace()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        SidebarHarness sidebar(client);
        UserViewModel profile(client.api());
        AccountDetailsView account(profile, sidebar.auth, client.workspace());
        account.show();
        BoardViewModel& workspace = client.workspace();
        client.createBoard(QStringLiteral("Notes"));
        const Board team = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        const Board old = client.createBoard(QStringLiteral("Old"), StorageOption::cloud);
        QCoro::waitFor(workspace.setBoardArchived(old));
        const QString oldPath = QStringLiteral("/api/boards/") + uuidText(old.id);
        QVERIFY(m_server->failNext(1, 503, oldPath));
        QCoro::waitFor(workspace.addItem(client.newItem(old, QStringLiteral("Kept offline")), old));
        QCOMPARE(workspace.unsentChanges().items, 1);
        // The service keeps archived boards read-only: another device brings the board back, which
        // this one has not heard of yet, so only a sync of every cloud board sends the change.
        const auto revived = m_server->request("PATCH", oldPath,
            QJsonDocument(QJsonObject {{QStringLiteral("active"), true}}).toJson(), client.account().accessToken);
        QCOMPARE(revived.status, 204);
        QVERIFY(!workspace.findBoard(old.id)->isActive);
        auto prompt = [&]() -> QMessageBox* {
            QTest::mouseClick(account.findChild<QPushButton*>(QStringLiteral("logOut")), Qt::LeftButton);
            return account.findChild<QMessageBox*>(QStringLiteral("unsentChangesPrompt"));
        };
        QMessageBox* asked = prompt();
        QVERIFY(asked);
        QTest::mouseClick(asked->findChild<QPushButton*>(QStringLiteral("syncNow")), Qt::LeftButton);
        QTRY_COMPARE(workspace.unsentChanges().items, 0);
        QVERIFY(sidebar.auth.isLoggedIn());

        Board described = *workspace.findBoard(team.id);
        described.info = QStringLiteral("Only for Ana's team");
        QVERIFY(m_server->failNext(1, 503, QStringLiteral("/api/boards/") + uuidText(team.id)));
        QCoro::waitFor(workspace.updateBoard(described));
        QVERIFY(PendingBoardInfoStore::get(team.id, client.store()));
        workspace.setBoardHighlight(team.id);
        workspace.setRefreshState(BoardRefreshState::failure, team.id);
        asked = prompt();
        QTRY_VERIFY(asked);
        QTest::mouseClick(asked->findChild<QPushButton*>(QStringLiteral("signOutAnyway")), Qt::LeftButton);
        QTRY_VERIFY(!sidebar.auth.isLoggedIn());
        QTRY_COMPARE(client.lastToast()->message, QStringLiteral("Signed out. Local sync data cleared."));

        QVERIFY(!PendingBoardInfoStore::get(team.id, client.store()));
        QCOMPARE(PendingBoardInfoStore::boards(client.store()).value_or(QList<QUuid> {QUuid()}), QList<QUuid> {});
        QVERIFY(!workspace.highlightedBoards().contains(team.id));
        QVERIFY(!client.preferences().get(PreferenceKeys::highlightedBoards()).contains(team.id));
        QVERIFY(!workspace.boardRefreshStates().contains(team.id));
        QCOMPARE(LocalDataService::fetchLocalBoards(client.store())->size(), 1);
    }

    void headerMenuFollowsSignIn_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("signed in") << true << QStringList({"New Board", "Join Board"});
        QTest::newRow("signed out") << false << QStringList({"New Board"});
    }

    void headerMenuFollowsSignIn()
    {
        QFETCH(bool, signedIn);
        QFETCH(QStringList, entries);
        WorkspaceClient client(signedIn ? m_server.get() : nullptr, QStringLiteral("ana@example.com"));
        SidebarHarness sidebar(client);
        QCOMPARE(sidebar.auth.isLoggedIn(), signedIn);
        QCOMPARE(sidebar.view.header()->title(), QStringLiteral("Boards"));
        std::unique_ptr<QMenu> menu(sidebar.view.header()->makeMenu(nullptr));
        QStringList shown;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                shown << action->data().toString();
        }
        QCOMPARE(shown, entries);
    }

    // First show loads the boards: from the service when signed in, from this computer otherwise.
    void loadsWhenFirstShown_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("signed in") << true;
        QTest::newRow("signed out") << false;
    }

    void loadsWhenFirstShown()
    {
        QFETCH(bool, signedIn);
        WorkspaceClient client(signedIn ? m_server.get() : nullptr, QStringLiteral("ana@example.com"));
        client.createBoard(QStringLiteral("Local"));
        if (signedIn)
            QVERIFY(createRemoteBoard(client, QStringLiteral("Remote")));
        client.reopen(); // a fresh workspace that has loaded nothing yet
        SidebarHarness sidebar(client);
        QVERIFY(client.workspace().boards().isEmpty());
        sidebar.view.show();
        QTRY_COMPARE(rowNames(sidebar.view.localSection()), QStringList({"Local"}));
        if (signedIn)
            QTRY_COMPARE(rowNames(sidebar.view.remoteSection()), QStringList({"Remote"}));
        QCOMPARE(sidebar.view.remoteSection()->isVisible(), signedIn);
    }

    void allBoardsRefreshOnlyWhileSignedIn_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("signed in") << true;
        QTest::newRow("signed out") << false;
    }

    void allBoardsRefreshOnlyWhileSignedIn()
    {
        QFETCH(bool, signedIn);
        WorkspaceClient client(signedIn ? m_server.get() : nullptr, QStringLiteral("ana@example.com"));
        client.createBoard(QStringLiteral("Local"));
        SidebarHarness sidebar(client);
        sidebar.view.show();
        QTRY_COMPARE(rowNames(sidebar.view.localSection()), QStringList({"Local"}));

        // Changes the sidebar has not seen: a board at the service, and one written to this computer's store.
        if (signedIn)
            QVERIFY(createRemoteBoard(client, QStringLiteral("Remote")));
        Board stored;
        stored.id = QUuid::createUuid();
        stored.name = QStringLiteral("Stored");
        stored.createdAt = stored.updatedAt = QDateTime::currentDateTimeUtc();
        client.store().insert(makeLocalBoard(stored));
        QVERIFY(client.store().save());

        sidebar.notifications.post(QString(AppNotification::requestAllBoardsRefresh));
        if (signedIn) {
            QTRY_COMPARE(rowNames(sidebar.view.remoteSection()), QStringList({"Remote"}));
            QTRY_COMPARE(rowNames(sidebar.view.localSection()), QStringList({"Local", "Stored"}));
        } else {
            QTest::qWait(200);
            QCOMPARE(rowNames(sidebar.view.localSection()), QStringList({"Local"}));
        }
    }

    void dividerEditing_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("below");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("below the first") << 0 << true << QStringList({"A", "—", "B", "C"});
        QTest::newRow("above the last") << 2 << false << QStringList({"A", "B", "—", "C"});
        QTest::newRow("above the first") << 0 << false << QStringList({"A", "B", "C"});
        QTest::newRow("below the last") << 2 << true << QStringList({"A", "B", "C"});
    }

    void dividerEditing()
    {
        QFETCH(int, row);
        QFETCH(bool, below);
        QFETCH(QStringList, rows);
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        for (const QString& name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
            client.createBoard(name);
        SidebarHarness sidebar(client);
        sidebar.view.show();
        SidebarSectionView* section = sidebar.view.localSection();
        QTRY_COMPARE(rowNames(section), QStringList({"A", "B", "C"}));

        std::unique_ptr<QMenu> menu(section->makeContextMenu(row));
        QCOMPARE(menu->actions().size(), 2);
        menu->actions().at(below ? 1 : 0)->trigger();
        QCOMPARE(rowNames(section), rows);
        const int dividerRow = static_cast<int>(rows.indexOf(QStringLiteral("—")));
        if (dividerRow < 0)
            return;

        // Recolour from the hover palette: saved at once, so a new layout over the same preferences agrees.
        SidebarDividerView* divider = section->dividerViewAt(dividerRow);
        QVERIFY(divider);
        QVERIFY(!divider->deleteButton()->isVisibleTo(divider));
        divider->setHovered(true);
        QVERIFY(divider->deleteButton()->isVisibleTo(divider));
        QCOMPARE(divider->deleteButton()->toolTip(), QStringLiteral("Delete Divider"));
        QWidget* palette = divider->showPalette();
        auto* blue = palette->findChild<QToolButton*>(QStringLiteral("swatch-blue"));
        QVERIFY(blue);
        QTest::mouseClick(blue, Qt::LeftButton);
        QTRY_COMPARE(section->model()->index(dividerRow, 0).data(SidebarListModel::DividerColorRole).toString(),
            QStringLiteral("blue"));
        SidebarLayoutController reread(client.preferences());
        reread.setBoards(client.workspace().boards());
        const auto entries = reread.entries(QStringLiteral("local"));
        QCOMPARE(entries.at(dividerRow).divider()->color, SidebarDividerColor::blue);

        // The context menu's submenu lists the nine colours with the current one checked.
        divider = section->dividerViewAt(dividerRow);
        std::unique_ptr<QMenu> dividerMenu(section->makeContextMenu(dividerRow));
        QMenu* colors = dividerMenu->findChild<QMenu*>(QStringLiteral("dividerColorMenu"));
        QVERIFY(colors);
        QCOMPARE(colors->actions().size(), 9);
        QCOMPARE(colors->actions().at(2)->text(), QStringLiteral("Blue"));
        QVERIFY(colors->actions().at(2)->isChecked());
        grab(&sidebar.view, QStringLiteral("sidebar-dividers"));

        divider->setHovered(true);
        QTest::mouseClick(divider->deleteButton(), Qt::LeftButton);
        QTRY_COMPARE(rowNames(section), QStringList({"A", "B", "C"}));
    }

    // Boards move within their section; the dragged row lands where the target row was.
    void reorderWithinSection_data()
    {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("target");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("first on last") << 0 << 2 << QStringList({"B", "A", "C"});
        QTest::newRow("on the row below") << 0 << 1 << QStringList({"A", "B", "C"});
        QTest::newRow("last on first") << 2 << 0 << QStringList({"C", "A", "B"});
    }

    void reorderWithinSection()
    {
        QFETCH(int, dragged);
        QFETCH(int, target);
        QFETCH(QStringList, rows);
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        QList<Board> boards;
        for (const QString& name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
            boards << client.createBoard(name);
        SidebarHarness sidebar(client);
        sidebar.view.show();
        SidebarSectionView* section = sidebar.view.localSection();
        QTRY_COMPARE(rowNames(section), QStringList({"A", "B", "C"}));

        std::unique_ptr<QMimeData> mimeData(BoardTransfer {boards.at(dragged).id}.toMimeData());
        QVERIFY(dropOnRow(section, mimeData.get(), target));
        QCOMPARE(rowNames(section), rows);
        QCOMPARE(section->isAnimatingReorder(), rows != QStringList({"A", "B", "C"}));
        QVERIFY(!section->dropHover());
        // The order is kept for the next start.
        SidebarLayoutController reread(client.preferences());
        reread.setBoards(client.workspace().boards());
        QStringList stored;
        for (const SidebarEntry& entry : reread.entries(QStringLiteral("local")))
            stored << entry.board()->name;
        QCOMPARE(stored, rows);
    }

    void dropAcrossSectionsIsRefused()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board local = client.createBoard(QStringLiteral("Local"));
        client.createBoard(QStringLiteral("Cloud A"), StorageOption::cloud);
        client.createBoard(QStringLiteral("Cloud B"), StorageOption::cloud);
        SidebarHarness sidebar(client);
        sidebar.view.show();
        SidebarSectionView* remote = sidebar.view.remoteSection();
        QTRY_COMPARE(rowNames(remote), QStringList({"Cloud A", "Cloud B"}));

        std::unique_ptr<QMimeData> mimeData(BoardTransfer {local.id}.toMimeData());
        QVERIFY(!dropOnRow(remote, mimeData.get(), 0));
        QCOMPARE(rowNames(remote), QStringList({"Cloud A", "Cloud B"}));
        QCOMPARE(rowNames(sidebar.view.localSection()), QStringList({"Local"}));
        QVERIFY(!remote->dropHover());
        // Not even offered while hovering.
        const QPoint position = remote->visualRect(remote->model()->index(1, 0)).center();
        QDragEnterEvent enter(position, Qt::MoveAction, mimeData.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(remote->viewport(), &enter);
        QDragMoveEvent move(position, Qt::MoveAction, mimeData.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(remote->viewport(), &move);
        QVERIFY(!move.isAccepted());
        QVERIFY(!remote->dropHover());
        QDragLeaveEvent leave;
        QApplication::sendEvent(remote->viewport(), &leave);
    }

    void itemDroppedOnBoardMovesThere()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board from = client.createBoard(QStringLiteral("From"));
        const Board to = client.createBoard(QStringLiteral("To"));
        const Item item = client.newItem(from, QStringLiteral("Carry me"));
        QCoro::waitFor(client.workspace().addItem(item, *client.workspace().findBoard(from.id)));
        SidebarHarness sidebar(client);
        sidebar.view.show();
        SidebarSectionView* section = sidebar.view.localSection();
        QTRY_COMPARE(rowNames(section), QStringList({"From", "To"}));

        std::unique_ptr<QMimeData> mimeData(ItemTransfer {item.id, from.id}.toMimeData());
        QVERIFY(dropOnRow(section, mimeData.get(), 1));
        const auto holds = [&](const QUuid& boardId) {
            const auto board = client.workspace().findBoard(boardId);
            return board && std::any_of(board->items.cbegin(), board->items.cend(), [&](const Item& each) {
                return each.content == QLatin1String("Carry me") && !each.isDeleted();
            });
        };
        QTRY_VERIFY(holds(to.id));
        QVERIFY(!holds(from.id));
        QCOMPARE(rowNames(section), QStringList({"From", "To"}));
    }

    void archivedModeListsBoardsOnly()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        client.createBoard(QStringLiteral("A"));
        client.createBoard(QStringLiteral("B"));
        const Board old = client.createBoard(QStringLiteral("Old"));
        QCoro::waitFor(client.workspace().setBoardArchived(old));
        SidebarHarness sidebar(client);
        sidebar.view.show();
        std::unique_ptr<QMenu> menu(sidebar.view.localSection()->makeContextMenu(0));
        menu->actions().at(1)->trigger();
        QTRY_COMPARE(rowNames(sidebar.view.localSection()), QStringList({"A", "—", "B"}));

        QSignalSpy modeRequests(&sidebar.view, &SidebarView::modeChangeRequested);
        sidebar.view.setMode(SidebarMode::archived);
        QCOMPARE(sidebar.view.header()->title(), QStringLiteral("Archived"));
        QVERIFY(sidebar.view.header()->backButton()->isVisible());
        QCOMPARE(sidebar.view.archivedLocalList()->count(), 1);
        QCOMPARE(sidebar.view.archivedLocalList()->item(0)->text(), QStringLiteral("Old"));
        grab(&sidebar.view, QStringLiteral("sidebar-archived"));
        QTest::mouseClick(sidebar.view.header()->backButton(), Qt::LeftButton);
        QCOMPARE(modeRequests.size(), 1);
        QCOMPARE(modeRequests.first().first().value<SidebarMode>(), SidebarMode::active);
    }

    void joinShowsItsOutcome_data()
    {
        QTest::addColumn<bool>("validCode");
        QTest::newRow("valid code") << true;
        QTest::newRow("unknown code") << false;
    }

    void joinShowsItsOutcome()
    {
        QFETCH(bool, validCode);
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board shared = owner.createBoard(QStringLiteral("Shared"), StorageOption::cloud);
        const auto code = QCoro::waitFor(owner.workspace().createInvitation(shared));
        QVERIFY(code);
        client.createBoard(QStringLiteral("Mine"));
        SidebarHarness sidebar(client);
        sidebar.view.show();

        client.toasts().setToast(std::nullopt);
        auto* dialog = qobject_cast<JoinBoardView*>(sidebar.view.openJoinBoardDialog());
        QVERIFY(dialog);
        QTest::keyClicks(dialog->codeField(), validCode ? *code : QStringLiteral("NOPE1234"));
        QTest::mouseClick(dialog->joinButton(), Qt::LeftButton);
        QTRY_VERIFY(client.lastToast().has_value());
        if (validCode) {
            QCOMPARE(client.lastToast()->message, QStringLiteral("Joined board successfully"));
            QTRY_COMPARE(rowNames(sidebar.view.remoteSection()), QStringList({"Shared"}));
            // A cloud board that failed its last sync says so on its row.
            QVERIFY(m_server->failNext(1, 500, QStringLiteral("/api/boards/")));
            QCoro::waitFor(client.workspace().syncBoard(*client.workspace().findBoard(shared.id), false));
            QCOMPARE(sidebar.view.remoteSection()->boardDelegate()->syncSymbol(shared.id, true),
                QStringLiteral("exclamationmark.circle.fill"));
            grab(&sidebar.view, QStringLiteral("sidebar-sections"));
        } else {
            QCOMPARE(client.lastToast()->type, ToastType::error);
            QVERIFY(sidebar.view.remoteSection()->isEmpty());
        }
    }
};

QTEST_MAIN(SidebarViewTest)
#include "SidebarViewTest.moc"
