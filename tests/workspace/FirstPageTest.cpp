// A large board is shown by each column's first page, and the rest is read on a worker thread.
// What is checked: the page and the counts the views get meanwhile, and that whatever happens
// before the rest arrives (an edit through the workspace or past it, a new item, the board's
// deletion) is still there afterwards: a read that began before a save never overwrites it.
#include "WorkspaceFixture.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThreadPool>

namespace {
struct StoredItem
{
    QString content;
    ItemStatus status;
    qint64 order;
    bool archived = false;
    bool deleted = false;
};

// The large board: todo has seven live items and three archived ones, in progress two, done four,
// and two deleted items that no count or page may show.
const QList<StoredItem> largeBoardItems {
    {QStringLiteral("t7"), ItemStatus::todo, 7},
    {QStringLiteral("t2"), ItemStatus::todo, 2},
    {QStringLiteral("t5"), ItemStatus::todo, 5},
    {QStringLiteral("t1"), ItemStatus::todo, 1},
    {QStringLiteral("t3"), ItemStatus::todo, 3},
    {QStringLiteral("t6"), ItemStatus::todo, 6},
    {QStringLiteral("t4"), ItemStatus::todo, 4},
    {QStringLiteral("ta9"), ItemStatus::todo, 9, true},
    {QStringLiteral("ta8"), ItemStatus::todo, 8, true},
    {QStringLiteral("ta10"), ItemStatus::todo, 10, true},
    {QStringLiteral("p2"), ItemStatus::inProgress, 2},
    {QStringLiteral("p1"), ItemStatus::inProgress, 1},
    {QStringLiteral("d4"), ItemStatus::done, 4},
    {QStringLiteral("d3"), ItemStatus::done, 3},
    {QStringLiteral("d2"), ItemStatus::done, 2},
    {QStringLiteral("d1"), ItemStatus::done, 1},
    {QStringLiteral("gone0"), ItemStatus::todo, 0, false, true},
    {QStringLiteral("gone1"), ItemStatus::done, 0, false, true},
};

QStringList contents(const Board& board)
{
    QStringList result;
    for (const Item& item : board.items) {
        if (!item.isDeleted())
            result.append(item.content);
    }
    result.sort();
    return result;
}

QStringList storedContents(WorkspaceClient& client, const QUuid& boardId)
{
    QStringList result;
    const auto records = LocalDataService::fetchLocalItems(boardId, 0, client.store());
    for (const auto& record : *records) {
        if (!record->deletedAt())
            result.append(record->content());
    }
    result.sort();
    return result;
}

Item itemNamed(const Board& board, const QString& content)
{
    for (const Item& item : board.items) {
        if (item.content == content)
            return item;
    }
    return {};
}

class LargeBoardFixture
{
public:
    LargeBoardFixture()
        : client(nullptr, QStringLiteral("ana@example.com"))
        , large(boardRecord(QStringLiteral("Large")))
        , other(boardRecord(QStringLiteral("Other")))
    {
        client.store().insert(makeLocalBoard(large));
        client.store().insert(makeLocalBoard(other));
        // Written one second apart, newest last, so that the order of equal times never decides.
        QDateTime at = QDateTime::currentDateTimeUtc().addSecs(-100);
        for (const StoredItem& stored : largeBoardItems) {
            Item item = client.newItem(large, stored.content, stored.status);
            item.order = stored.order;
            at = at.addSecs(1);
            item.updatedAt = at;
            if (stored.archived)
                item.archivedAt = at;
            if (stored.deleted)
                item.deletedAt = at;
            client.store().insert(makeLocalItem(item));
        }
        client.store().insert(makeLocalItem(client.newItem(other, QStringLiteral("elsewhere"))));
        saved = client.store().save().has_value();
        // Two of each column's live and archived items; the large board's sixteen are over the line.
        client.workspace().setFirstPage(10, 2);
    }

    // Lets the worker finish its read without taking its result, so that what the test does next
    // happens after the read and before the board takes it.
    static void letTheReadFinish() { QThreadPool::globalInstance()->waitForDone(); }

    WorkspaceClient client;
    Board large;
    Board other;
    bool saved = false;
};
}

class FirstPageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void largeBoardShowsItsFirstPageThenTheRest()
    {
        LargeBoardFixture fixture;
        QVERIFY(fixture.saved);
        BoardViewModel& workspace = fixture.client.workspace();
        QSignalSpy rest(&workspace, &BoardViewModel::restOfBoardRead);
        workspace.loadBoards(false);

        const Board shown = workspace.selectedBoard();
        QCOMPARE(shown.id, fixture.large.id);
        QVERIFY(shown.hasFirstPageOnly());
        QVERIFY(!shown.hasItemsLoaded());
        // The lowest orders of each column, live and archived apart; never a deleted item.
        QCOMPARE(contents(shown),
            (QStringList {"d1", "d2", "p1", "p2", "t1", "t2", "ta8", "ta9"}));
        const ColumnCounts counts = shown.columnCounts();
        QCOMPARE(counts.live, (std::array<qint64, 3> {7, 2, 4}));
        QCOMPARE(counts.archived, (std::array<qint64, 3> {3, 0, 0}));
        // The sidebar's tally is the whole board's, archived items included.
        QCOMPARE(shown.overallProgress().total, 16);
        QCOMPARE(shown.overallProgress().todo, 10);

        // Selecting the shown board again (as the window does at start) keeps the page.
        workspace.selectBoard(fixture.large.id);
        QVERIFY(workspace.selectedBoard().hasFirstPageOnly());

        QVERIFY(rest.wait(5000));
        QCOMPARE(rest.size(), 1);
        const Board whole = workspace.selectedBoard();
        QVERIFY(whole.hasItemsLoaded());
        QVERIFY(!whole.hasFirstPageOnly());
        QCOMPARE(contents(whole), storedContents(fixture.client, fixture.large.id));
        QCOMPARE(whole.columnCounts(), counts);
        QCOMPARE(contents(*fixture.client.heldBoard(fixture.large.id)), contents(whole));
    }

    void smallBoardIsReadWhole()
    {
        LargeBoardFixture fixture;
        QVERIFY(fixture.saved);
        BoardViewModel& workspace = fixture.client.workspace();
        workspace.setFirstPage(17, 2);
        workspace.loadBoards(false);
        QVERIFY(workspace.selectedBoard().hasItemsLoaded());
        QVERIFY(!workspace.selectedBoard().hasFirstPageOnly());
        QCOMPARE(workspace.selectedBoard().items.size(), 16);
    }

    void changesBeforeTheRestArrivesAreKept_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        const QStringList all {"d1", "d2", "d3", "d4", "p1", "p2", "t1", "t2", "t3", "t4", "t5", "t6", "t7",
            "ta10", "ta8", "ta9"};
        QStringList edited = all;
        edited.replace(edited.indexOf(QStringLiteral("t7")), QStringLiteral("t7 edited"));
        edited.sort();
        QStringList added = all;
        added.append(QStringLiteral("new"));
        added.sort();
        QStringList removed = all;
        removed.removeOne(QStringLiteral("t1"));
        QTest::newRow("an edit through the workspace") << "workspace edit" << edited;
        QTest::newRow("an edit written past the workspace") << "store edit" << edited;
        QTest::newRow("a new item") << "add" << added;
        QTest::newRow("a deleted item") << "delete" << removed;
        QTest::newRow("a save on another board") << "other board" << all;
        QTest::newRow("the board deleted") << "delete board" << QStringList {};
    }

    void changesBeforeTheRestArrivesAreKept()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        LargeBoardFixture fixture;
        QVERIFY(fixture.saved);
        WorkspaceClient& client = fixture.client;
        BoardViewModel& workspace = client.workspace();
        QSignalSpy rest(&workspace, &BoardViewModel::restOfBoardRead);
        workspace.loadBoards(false);
        QVERIFY(workspace.selectedBoard().hasFirstPageOnly());
        fixture.letTheReadFinish();

        // t7 is past the first page: the change reaches an item the board does not hold yet.
        const auto stored = LocalDataService::fetchLocalItems(fixture.large.id, 0, client.store());
        Item t7;
        for (const auto& record : *stored) {
            if (record->content() == QLatin1String("t7"))
                t7 = toItem(*record);
        }
        QVERIFY(!t7.id.isNull());
        t7.content = QStringLiteral("t7 edited");
        t7.updatedAt = QDateTime::currentDateTimeUtc();
        if (change == QLatin1String("workspace edit")) {
            workspace.updateItem(t7);
        } else if (change == QLatin1String("store edit")) {
            QVERIFY(LocalDataService::updateLocalItem(t7, client.store()));
        } else if (change == QLatin1String("add")) {
            const Board whole = *workspace.findBoard(fixture.large.id);
            workspace.addItem(client.newItem(whole, QStringLiteral("new")), whole);
        } else if (change == QLatin1String("delete")) {
            workspace.deleteItem(itemNamed(workspace.selectedBoard(), QStringLiteral("t1")));
        } else if (change == QLatin1String("other board")) {
            workspace.addItem(client.newItem(fixture.other, QStringLiteral("elsewhere too")), fixture.other);
        } else if (change == QLatin1String("delete board")) {
            workspace.deleteBoard(*client.heldBoard(fixture.large.id));
        }

        if (rest.isEmpty())
            QVERIFY(rest.wait(5000));
        const std::optional<Board> held = client.heldBoard(fixture.large.id);
        if (expected.isEmpty()) {
            QVERIFY(!held);
            QVERIFY(workspace.selectedBoard().id != fixture.large.id);
            return;
        }
        QVERIFY(held);
        QVERIFY(held->hasItemsLoaded());
        QCOMPARE(contents(*held), expected);
        QCOMPARE(contents(workspace.selectedBoard()), expected);
        QCOMPARE(storedContents(client, fixture.large.id), expected);
    }

    void aNewItemGoesAfterTheWholeBoard()
    {
        LargeBoardFixture fixture;
        QVERIFY(fixture.saved);
        BoardViewModel& workspace = fixture.client.workspace();
        workspace.loadBoards(false);
        QVERIFY(workspace.selectedBoard().hasFirstPageOnly());
        // What the composer does: it asks for the board with all its items, not the page it shows.
        const Board whole = *workspace.findBoard(fixture.large.id);
        QVERIFY(whole.hasItemsLoaded());
        QCOMPARE(fixture.client.newItem(whole, QStringLiteral("new")).order, 11);
        QCOMPARE(whole.items.size(), 16);
    }
};

QTEST_GUILESS_MAIN(FirstPageTest)
#include "FirstPageTest.moc"
