#include "WorkspaceFixture.h"
#include "support/DevServerTestCase.h"

#include "domain/Ids.h"
#include "store/LocalDataService.h"

#include <QTest>

namespace {
std::optional<Board> storedBoard(WorkspaceClient& client, const QUuid& id)
{
    auto boards = LocalDataService::fetchLocalBoards(client.store());
    if (!boards)
        return std::nullopt;
    for (const Board& board : *boards) {
        if (board.id == id)
            return board;
    }
    return std::nullopt;
}

// The board's member with that id, or an empty one.
BoardUser memberOf(const Board& board, const QUuid& userId)
{
    const auto found = std::find_if(
        board.users.cbegin(), board.users.cend(), [&](const BoardUser& user) { return user.userId == userId; });
    return found == board.users.cend() ? BoardUser {} : *found;
}

// The service's view of a board, read as the given account.
QJsonObject serviceDetails(DevServer& server, const WorkspaceClient& client, const QUuid& id)
{
    const auto reply = server.request("GET", QStringLiteral("/api/boards/") + uuidText(id), std::nullopt,
        client.account().accessToken);
    return reply.status == 200 ? reply.object() : QJsonObject {};
}
}

class BoardLifecycleTest : public DevServerTestCase
{
    Q_OBJECT

private:
private Q_SLOTS:
    void createBoard_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::newRow("local") << false;
        QTest::newRow("cloud") << true;
    }

    void createBoard()
    {
        QFETCH(bool, cloud);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));

        const Board board = client.createBoard(QStringLiteral("Plans"), cloud ? StorageOption::cloud : StorageOption::local);
        QVERIFY(!board.id.isNull());
        QCOMPARE(board.syncWithServer, cloud);
        QCOMPARE(client.toastText(), QStringLiteral("Created board \"Plans\""));
        QCOMPARE(client.toastType(), std::optional(ToastType::success));
        QVERIFY(client.workspace().displayedBoards().contains(board));

        const auto stored = storedBoard(client, board.id);
        QVERIFY(stored);
        QCOMPARE(stored->syncWithServer, cloud);
        QCOMPARE(serviceDetails(*m_server, client, board.id).isEmpty(), !cloud);
        QCOMPARE(client.lastEventName(), QStringLiteral("board_created"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("storage")).toString(),
            cloud ? QStringLiteral("cloud") : QStringLiteral("local"));
    }

    void createCloudBoardOfflineStoresNothing()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        QVERIFY(m_server->failNext(1, 500, QStringLiteral("/api/boards")));
        QCoro::waitFor(client.workspace().createBoard(QStringLiteral("Plans"), StorageOption::cloud));

        QVERIFY(client.workspace().boards().isEmpty());
        QVERIFY(LocalDataService::fetchLocalBoards(client.store())->isEmpty());
        QCOMPARE(client.toastType(), std::optional(ToastType::error));
        QVERIFY(!client.toastText().isEmpty());
        QVERIFY(!client.toastText().startsWith(QLatin1String("Created board")));
    }

    void joinTwiceSelectsTheExistingBoard()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient joiner(m_server.get(), QStringLiteral("joiner@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Shared"), StorageOption::cloud);

        const auto joined = shareBoard(owner, joiner, board);
        QVERIFY(joined);
        QVERIFY(joined->syncWithServer);
        QVERIFY(storedBoard(joiner, board.id));
        QCOMPARE(joiner.lastEvent()->properties.value(QStringLiteral("result")).toString(), QStringLiteral("joined"));

        QVERIFY(shareBoard(owner, joiner, board));
        QCOMPARE(joiner.toastText(), QStringLiteral("Board already exists locally. Selecting it instead."));
        QCOMPARE(joiner.lastEvent()->name, QStringLiteral("board_joined"));
        QCOMPARE(joiner.lastEvent()->properties.value(QStringLiteral("result")).toString(),
            QStringLiteral("existing_local"));
        QCOMPARE(joiner.workspace().boards().size(), 1);
        QCOMPARE(LocalDataService::fetchLocalBoards(joiner.store())->size(), 1);
    }

    void joinWithABadCodeIsHandedBack()
    {
        WorkspaceClient joiner(m_server.get(), QStringLiteral("joiner@example.com"));
        const auto joined = QCoro::waitFor(joiner.workspace().joinBoard(QStringLiteral("NOPE & ?=")));
        QVERIFY(!joined);
        QVERIFY(joined.error().status >= 400);
        QVERIFY(joiner.workspace().boards().isEmpty());
        QVERIFY(LocalDataService::fetchLocalBoards(joiner.store())->isEmpty());
    }

    void archiveKeepsTheSelection_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<bool>("offline");
        QTest::newRow("local") << false << false;
        QTest::newRow("cloud") << true << false;
        QTest::newRow("cloud, service failing") << true << true;
    }

    void archiveKeepsTheSelection()
    {
        QFETCH(bool, cloud);
        QFETCH(bool, offline);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const auto storage = cloud ? StorageOption::cloud : StorageOption::local;
        client.createBoard(QStringLiteral("Other"), storage);
        const Board board = client.createSelectedBoard(QStringLiteral("Plans"), storage);
        QCOMPARE(client.workspace().selectedBoard().id, board.id);

        if (offline)
            QVERIFY(m_server->failNext(1, 503, QStringLiteral("/api/boards")));
        QCoro::waitFor(client.workspace().setBoardArchived(board));

        QCOMPARE(client.workspace().selectedBoard().id, board.id);
        QCOMPARE(client.workspace().archivedBoards().contains(board), !offline);
        QCOMPARE(client.workspace().displayedBoards().contains(board), offline);
        QCOMPARE(storedBoard(client, board.id)->isActive, offline);
        if (offline) {
            QCOMPARE(client.toastType(), std::optional(ToastType::error));
        } else {
            QCOMPARE(client.toastText(), QStringLiteral("Archived board \"Plans\""));
            QCOMPARE(client.lastEvent()->name, QStringLiteral("board_archived"));
        }
        if (cloud && !offline) {
            const QJsonObject service = serviceDetails(*m_server, client, board.id);
            QCOMPARE(service.value(QStringLiteral("board")).toObject().value(QStringLiteral("active")).toBool(true),
                false);
        }
    }

    void deleteSelectsTheFirstRemainingBoard_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<bool>("offline");
        QTest::newRow("local") << false << false;
        QTest::newRow("cloud") << true << false;
        QTest::newRow("cloud, connection closed") << true << true;
    }

    void deleteSelectsTheFirstRemainingBoard()
    {
        QFETCH(bool, cloud);
        QFETCH(bool, offline);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const auto storage = cloud ? StorageOption::cloud : StorageOption::local;
        const Board first = client.createBoard(QStringLiteral("First"), storage);
        const Board doomed = client.createSelectedBoard(QStringLiteral("Doomed"), storage);

        if (offline)
            QVERIFY(m_server->closeNext(1, QStringLiteral("/api/boards")));
        QCoro::waitFor(client.workspace().deleteBoard(doomed));

        if (offline) {
            QCOMPARE(client.workspace().selectedBoard().id, doomed.id);
            QVERIFY(storedBoard(client, doomed.id));
            QCOMPARE(client.toastType(), std::optional(ToastType::error));
            return;
        }
        QCOMPARE(client.workspace().selectedBoard().id, first.id);
        QVERIFY(!client.workspace().findBoard(doomed.id));
        QVERIFY(!storedBoard(client, doomed.id));
        QCOMPARE(client.toastText(), QStringLiteral("Deleted board \"Doomed\""));
        QCOMPARE(client.lastEventName(), QStringLiteral("board_deleted"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("state")).toString(), QStringLiteral("active"));
        if (cloud)
            QVERIFY(serviceDetails(*m_server, client, doomed.id).isEmpty());
    }

    void removeMemberUpdatesListAndSelection()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient joiner(m_server.get(), QStringLiteral("joiner@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Shared"), StorageOption::cloud);
        QVERIFY(shareBoard(owner, joiner, board));
        QCoro::waitFor(owner.workspace().selectBoard(board.id));
        QCoro::waitFor(owner.workspace().refreshBoardDetails(owner.workspace().selectedBoard()));
        QCOMPARE(owner.workspace().selectedBoard().users.size(), 2);

        const BoardUser member = memberOf(owner.workspace().selectedBoard(), joiner.userId());
        QVERIFY(!member.userId.isNull());
        const auto removed = QCoro::waitFor(owner.workspace().removeMember(board.id, member));
        QVERIFY(removed);
        QCOMPARE(owner.workspace().selectedBoard().users.size(), 1);
        QCOMPARE(owner.workspace().findBoard(board.id)->users.size(), 1);

        // The removed member's next operation finds the board revoked and drops it.
        QVERIFY(joiner.workspace().findBoard(board.id));
        Board renamed = *joiner.workspace().findBoard(board.id);
        renamed.name = QStringLiteral("Mine now");
        QCoro::waitFor(joiner.workspace().renameBoard(renamed));
        QVERIFY(!joiner.workspace().boards().contains(renamed));
        QVERIFY(!storedBoard(joiner, board.id));
        QCOMPARE(joiner.toastText(), QStringLiteral("Access to \"Mine now\" was revoked. The board has been removed."));
    }

    void transferOwnershipShowsTheNewRoles()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient joiner(m_server.get(), QStringLiteral("joiner@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Shared"), StorageOption::cloud);
        QVERIFY(shareBoard(owner, joiner, board));
        QCoro::waitFor(owner.workspace().refreshBoardDetails(*owner.workspace().findBoard(board.id)));
        QVERIFY(owner.workspace().findBoard(board.id)->isOwnedBy(owner.userId()));

        const BoardUser member = memberOf(*owner.workspace().findBoard(board.id), joiner.userId());
        QVERIFY(QCoro::waitFor(owner.workspace().transferOwnership(*owner.workspace().findBoard(board.id), member)));
        const Board after = *owner.workspace().findBoard(board.id);
        QVERIFY(!after.isOwnedBy(owner.userId()));
        QVERIFY(after.isOwnedBy(joiner.userId()));

        // A second transfer by the former owner is refused by the service and handed back.
        const auto again = QCoro::waitFor(owner.workspace().transferOwnership(after, member));
        QVERIFY(!again);
    }
};

QTEST_GUILESS_MAIN(BoardLifecycleTest)
#include "BoardLifecycleTest.moc"
