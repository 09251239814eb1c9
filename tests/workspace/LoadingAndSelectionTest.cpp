// Loading the workspace from a real store file, the sidebar's sections, the selection repair rule
// and the quick-capture board. Signed out: no service is needed, except for selecting a cloud board.
#include "WorkspaceFixture.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/PreferenceKeys.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {
Item storeItem(WorkspaceClient& client, const Board& board, const QString& content, bool deleted = false)
{
    Item item = client.newItem(board, content);
    if (deleted)
        item.deletedAt = QDateTime::currentDateTimeUtc();
    client.storeItem(item);
    return item;
}

QStringList contents(const Board& board)
{
    QStringList result;
    for (const Item& item : board.items)
        result.append(item.content);
    result.sort();
    return result;
}

void removeStoredBoard(WorkspaceClient& client, const QString& name)
{
    for (const Board& board : client.workspace().boards()) {
        if (board.name == name)
            QVERIFY(LocalDataService::deleteLocalBoard(board.id, client.store()));
    }
}
}

Q_DECLARE_METATYPE(OverallBoardProgress)

class LoadingAndSelectionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void emptyStoreKeepsThePlaceholder()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        client.workspace().loadBoards(true);

        QVERIFY(client.workspace().boards().isEmpty());
        QVERIFY(client.workspace().displayedBoards().isEmpty());
        QVERIFY(client.workspace().archivedBoards().isEmpty());
        const Board& selected = client.workspace().selectedBoard();
        QCOMPARE(selected.name, QStringLiteral("Placeholder"));
        QCOMPARE(selected.createdBy, QStringLiteral("n/a"));
        QVERIFY(!selected.syncWithServer);
        QVERIFY(selected.isActive);
        QVERIFY(!selected.id.isNull());
        QCOMPARE(client.workspace().findBoard(selected.id)->name, QStringLiteral("Placeholder"));
    }

    void loadShowsCloudBoardsOnlySignedIn_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("signed in") << true << QStringList {"Home", "Team", "Old team"};
        QTest::newRow("signed out") << false << QStringList {"Home"};
    }

    void loadShowsCloudBoardsOnlySignedIn()
    {
        QFETCH(bool, signedIn);
        QFETCH(QStringList, expected);
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        client.storeNewBoard(QStringLiteral("Home"));
        client.storeNewBoard(QStringLiteral("Team"), true);
        client.storeNewBoard(QStringLiteral("Old team"), true, false);

        client.workspace().loadBoards(signedIn);
        QCOMPARE(boardNames(client.workspace().boards()), expected);
        QCOMPARE(client.workspace().selectedBoard().name, QStringLiteral("Home"));
        // Nothing is removed from the store by a signed-out load.
        QCOMPARE(LocalDataService::fetchLocalBoards(client.store())->size(), 3);
        QCOMPARE(
            boardNames(client.workspace().archivedBoards()), signedIn ? QStringList {"Old team"} : QStringList {});
    }

    void deletedItemsAreNeverAttached()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board home = client.storeNewBoard(QStringLiteral("Home"));
        const Board work = client.storeNewBoard(QStringLiteral("Work"));
        storeItem(client, home, QStringLiteral("Buy milk"));
        storeItem(client, home, QStringLiteral("Gone"), true);
        storeItem(client, work, QStringLiteral("Report"));

        client.workspace().loadBoards(false);
        QCOMPARE(contents(*client.workspace().findBoard(home.id)), QStringList {"Buy milk"});
        QCOMPARE(contents(*client.workspace().findBoard(work.id)), QStringList {"Report"});

        // A tombstone written after the load stays out of a reload too, and the selection follows.
        storeItem(client, work, QStringLiteral("Deleted later"), true);
        storeItem(client, work, QStringLiteral("Added later"));
        const auto reloaded = client.workspace().reloadBoardItems(work.id);
        QVERIFY(reloaded);
        QCOMPARE(contents(*reloaded), (QStringList {"Added later", "Report"}));
        QCOMPARE(contents(*client.workspace().findBoard(work.id)), contents(*reloaded));
        QVERIFY(!client.workspace().reloadBoardItems(QUuid::createUuid()));
    }

    // Only the board shown is read with its items at start; every other board has the tallies the
    // sidebar and the overview show, and its items when something asks for them.
    void startReadsOnlyTheSelectedBoardsItems()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board home = client.storeNewBoard(QStringLiteral("Home"));
        const Board work = client.storeNewBoard(QStringLiteral("Work"));
        storeItem(client, home, QStringLiteral("Buy milk"));
        storeItem(client, home, QStringLiteral("Gone"), true);
        QVERIFY(client.storeItem(client.newItem(work, QStringLiteral("Draft"), ItemStatus::inProgress)));
        Item shipped = client.newItem(work, QStringLiteral("Shipped"), ItemStatus::done);
        shipped.archivedAt = shipped.updatedAt;
        QVERIFY(client.storeItem(shipped));
        storeItem(client, work, QStringLiteral("Report"));
        storeItem(client, work, QStringLiteral("Dropped"), true);
        client.preferences().set(std::optional(work.id), PreferenceKeys::selectedBoardId());

        QSignalSpy selections(&client.workspace(), &BoardViewModel::selectedBoardChanged);
        client.workspace().loadBoards(false);
        QCOMPARE(client.workspace().selectedBoard().id, work.id);
        QCOMPARE(selections.size(), 1);
        QCOMPARE(contents(client.workspace().selectedBoard()), (QStringList {"Draft", "Report", "Shipped"}));
        QCOMPARE(contents(*client.heldBoard(work.id)), (QStringList {"Draft", "Report", "Shipped"}));
        QVERIFY(client.heldBoard(home.id)->items.isEmpty());
        QCOMPARE(client.heldBoard(home.id)->overallProgress(), (OverallBoardProgress {1, 0, 0, 1}));
        QCOMPARE(client.heldBoard(work.id)->overallProgress(), (OverallBoardProgress {3, 1, 1, 1}));

        QCOMPARE(contents(*client.workspace().findBoard(home.id)), QStringList {"Buy milk"});
        QCOMPARE(contents(*client.heldBoard(home.id)), QStringList {"Buy milk"});
        QCOMPARE(client.heldBoard(home.id)->overallProgress(), (OverallBoardProgress {1, 0, 0, 1}));
    }

    // Home is shown; Work's items are still in the store only when the operation runs. The store and
    // Work's tallies take the change, and Work shows every item once it is selected.
    void editsOfBoardsNotReadYetAreKept_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<OverallBoardProgress>("tally");
        QTest::newRow("quick capture")
            << "add" << QStringList {"Draft", "New", "Report"} << OverallBoardProgress {3, 0, 1, 2};
        QTest::newRow("edit") << "edit" << QStringList {"Draft", "Report v2"}
                              << OverallBoardProgress {2, 0, 1, 1};
        QTest::newRow("status") << "status" << QStringList {"Draft", "Report"}
                                << OverallBoardProgress {2, 1, 1, 0};
        QTest::newRow("delete") << "delete" << QStringList {"Draft"} << OverallBoardProgress {1, 0, 1, 0};
        QTest::newRow("moved in") << "moveIn" << QStringList {"Draft", "Keep me", "Report"}
                                  << OverallBoardProgress {3, 0, 1, 2};
    }

    void editsOfBoardsNotReadYetAreKept()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, expected);
        QFETCH(OverallBoardProgress, tally);
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board home = client.storeNewBoard(QStringLiteral("Home"));
        const Board work = client.storeNewBoard(QStringLiteral("Work"));
        const Item keep = storeItem(client, home, QStringLiteral("Keep me"));
        QVERIFY(client.storeItem(client.newItem(work, QStringLiteral("Draft"), ItemStatus::inProgress)));
        const Item report = storeItem(client, work, QStringLiteral("Report"));
        client.workspace().loadBoards(false);
        QCOMPARE(client.workspace().selectedBoard().id, home.id);
        QVERIFY(client.heldBoard(work.id)->items.isEmpty());

        BoardViewModel& workspace = client.workspace();
        if (operation == QLatin1String("add")) {
            Item item = client.newItem(*client.heldBoard(work.id), QStringLiteral("New"));
            QCoro::waitFor(workspace.addItem(item, *client.heldBoard(work.id)));
        } else if (operation == QLatin1String("edit")) {
            Item edited = report;
            edited.content = QStringLiteral("Report v2");
            QCoro::waitFor(workspace.updateItem(edited));
        } else if (operation == QLatin1String("status")) {
            QCoro::waitFor(workspace.moveItem(report, ItemStatus::done));
        } else if (operation == QLatin1String("delete")) {
            QCoro::waitFor(workspace.deleteItem(report));
        } else {
            QCoro::waitFor(workspace.moveItemToBoard(keep, *client.heldBoard(work.id)));
        }

        QCOMPARE(client.heldBoard(work.id)->overallProgress(), tally);
        QCOMPARE(client.store().fetchItemTallies()->value(work.id), tally);
        QCoro::waitFor(workspace.selectBoard(work.id));
        QCOMPARE(contents(workspace.selectedBoard()), expected);
        QCOMPARE(workspace.selectedBoard().overallProgress(), tally);
        QCOMPARE(contents(*client.heldBoard(home.id)),
            operation == QLatin1String("moveIn") ? QStringList {} : QStringList {"Keep me"});
    }

    // Boards A (active), B (archived), C (active); C is selected, then the named boards leave the store.
    void selectionRepairAfterReload_data()
    {
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("selected gone, active remain") << QStringList {"C"} << "A";
        QTest::newRow("only archived remain") << QStringList {"A", "C"} << "B";
        QTest::newRow("none remain: the last one stays") << QStringList {"A", "B", "C"} << "C";
        QTest::newRow("another board gone") << QStringList {"A"} << "C";
    }

    void selectionRepairAfterReload()
    {
        QFETCH(QStringList, removed);
        QFETCH(QString, expected);
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        client.storeNewBoard(QStringLiteral("A"));
        client.storeNewBoard(QStringLiteral("B"), false, false);
        const Board c = client.storeNewBoard(QStringLiteral("C"));
        client.workspace().loadBoards(false);
        QCoro::waitFor(client.workspace().selectBoard(c.id));
        QCOMPARE(client.workspace().selectedBoard().name, QStringLiteral("C"));

        for (const QString& name : removed)
            removeStoredBoard(client, name);
        client.workspace().loadBoards(false);
        QCOMPARE(client.workspace().selectedBoard().name, expected);
    }

    void archivingTheSelectedBoardKeepsTheSelection()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        client.storeNewBoard(QStringLiteral("A"));
        Board b = client.storeNewBoard(QStringLiteral("B"));
        client.workspace().loadBoards(false);
        QCoro::waitFor(client.workspace().selectBoard(b.id));

        b.isActive = false;
        client.workspace().applyBoardUpdate(b);
        QCOMPARE(client.workspace().selectedBoard().id, b.id);
        QVERIFY(!client.workspace().selectedBoard().isActive);
        QCOMPARE(boardNames(client.workspace().displayedBoards()), QStringList {"A"});
        QCOMPARE(boardNames(client.workspace().archivedBoards()), QStringList {"B"});
    }

    void applyBoardUpdateReplacesInPlaceOrAppends()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        Board a = client.storeNewBoard(QStringLiteral("A"));
        client.storeNewBoard(QStringLiteral("B"));
        client.storeNewBoard(QStringLiteral("Z"), false, false);
        client.workspace().loadBoards(false);

        client.workspace().applyBoardUpdate(boardRecord(QStringLiteral("C")));
        client.workspace().applyBoardUpdate(boardRecord(QStringLiteral("Y"), false, false));
        a.name = QStringLiteral("A renamed");
        client.workspace().applyBoardUpdate(a, 7);

        QCOMPARE(boardNames(client.workspace().boards()), (QStringList {"A renamed", "B", "Z", "C", "Y"}));
        QCOMPARE(boardNames(client.workspace().displayedBoards()), (QStringList {"A renamed", "B", "C"}));
        QCOMPARE(boardNames(client.workspace().archivedBoards()), (QStringList {"Z", "Y"}));
        QCOMPARE(client.workspace().findBoard(a.id)->revision, 7);
        // A was selected by the load, so the selected copy follows the update.
        QCOMPARE(client.workspace().selectedBoard().name, QStringLiteral("A renamed"));
    }

    void selectBoardRecordsItsStorageAndState_data()
    {
        QTest::addColumn<bool>("active");
        QTest::newRow("active") << true;
        QTest::newRow("archived") << false;
    }

    void selectBoardRecordsItsStorageAndState()
    {
        QFETCH(bool, active);
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        client.storeNewBoard(QStringLiteral("First"));
        const Board board = client.storeNewBoard(QStringLiteral("Second"), false, active);
        client.workspace().loadBoards(false);
        storeItem(client, board, QStringLiteral("Written after the load"));

        QCoro::waitFor(client.workspace().selectBoard(board.id));
        QCOMPARE(client.workspace().selectedBoard().id, board.id);
        QCOMPARE(contents(client.workspace().selectedBoard()), QStringList {"Written after the load"});
        QCOMPARE(contents(*client.workspace().findBoard(board.id)), QStringList {"Written after the load"});
        QCOMPARE(client.lastEventName(), QStringLiteral("board_selected"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("storage")).toString(), QStringLiteral("local"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("state")).toString(),
            active ? QStringLiteral("active") : QStringLiteral("archived"));

        // An unknown id changes nothing and records nothing.
        const auto eventsBefore = client.events().size();
        QCoro::waitFor(client.workspace().selectBoard(QUuid::createUuid()));
        QCOMPARE(client.workspace().selectedBoard().id, board.id);
        QCOMPARE(client.events().size(), eventsBefore);
    }

    void quickCaptureBoard()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board a = client.storeNewBoard(QStringLiteral("A"));
        const Board b = client.storeNewBoard(QStringLiteral("B"));
        client.workspace().loadBoards(false);
        const QString key = PreferenceKeys::quickCaptureId().name;

        QSignalSpy changed(&client.workspace(), &BoardViewModel::quickCaptureBoardIdChanged);
        client.workspace().setQuickCaptureBoard(b);
        QCOMPARE(changed.size(), 1);
        QVERIFY(client.workspace().isQuickCaptureBoard(b.id));
        QVERIFY(!client.workspace().isQuickCaptureBoard(a.id));
        QCOMPARE(client.workspace().quickCaptureBoard()->name, QStringLiteral("B"));
        QCOMPARE(client.preferences().get(PreferenceKeys::quickCaptureId()), std::optional(b.id));

        // The same board again writes nothing: an outside value stays as it is.
        client.preferences().set(std::optional(a.id), PreferenceKeys::quickCaptureId());
        client.workspace().setQuickCaptureBoard(b);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(client.preferences().get(PreferenceKeys::quickCaptureId()), std::optional(a.id));

        // Survives a restart, and is forgotten when its board leaves the workspace.
        client.preferences().set(std::optional(b.id), PreferenceKeys::quickCaptureId());
        client.reopen();
        QCOMPARE(client.workspace().quickCaptureBoardId(), std::optional(b.id));
        QVERIFY(LocalDataService::deleteLocalBoard(b.id, client.store()));
        client.workspace().loadBoards(false);
        QCOMPARE(client.workspace().quickCaptureBoardId(), std::nullopt);
        QVERIFY(!client.workspace().quickCaptureBoard());
        QVERIFY(!client.preferences().contains(key));

        client.workspace().setQuickCaptureBoard(a);
        client.workspace().setQuickCaptureBoard(std::nullopt);
        QVERIFY(!client.workspace().isQuickCaptureBoard(a.id));
        QVERIFY(!client.preferences().contains(key));
    }
};

QTEST_GUILESS_MAIN(LoadingAndSelectionTest)
#include "LoadingAndSelectionTest.moc"
