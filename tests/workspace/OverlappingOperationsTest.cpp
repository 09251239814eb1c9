// Item operations that wait for the service while something else changes the same item: each
// re-reads the item when the answer arrives and writes only its own change, so a deletion or an
// edit made meanwhile stays, and goes to the service with the next sync. Against the stand-in
// service with real store files; the change "meanwhile" is written between starting the operation
// (which sends its request and waits) and letting the answer in.
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "support/DevServerTestCase.h"

#include <QTest>

namespace {
bool isShown(WorkspaceClient& client, const QUuid& boardId, const QUuid& itemId)
{
    const Board board = client.board(boardId);
    return std::any_of(board.items.cbegin(), board.items.cend(), [&](const Item& item) { return item.id == itemId; });
}
}

class OverlappingOperationsTest : public DevServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void changeMadeWhileTheOperationWaitsStays_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("meanwhile");
        for (const char* operation : {"moveItem", "setItemArchived", "updateItem", "mergeItems", "moveItemToBoard"}) {
            QTest::addRow("%s, deleted meanwhile", operation) << operation << "deleted";
            if (QByteArray(operation) != "updateItem" && QByteArray(operation) != "mergeItems")
                QTest::addRow("%s, edited meanwhile", operation) << operation << "edited";
        }
    }

    void changeMadeWhileTheOperationWaitsStays()
    {
        QFETCH(QString, operation);
        QFETCH(QString, meanwhile);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        const Board other = client.createBoard(QStringLiteral("Later"), StorageOption::cloud);
        Item target = client.newItem(board, QStringLiteral("Target"));
        QCoro::waitFor(client.workspace().addItem(target, client.board(board.id)));
        Item source = client.newItem(client.board(board.id), QStringLiteral("Source"));
        QCoro::waitFor(client.workspace().addItem(source, client.board(board.id)));
        target = *client.storedItem(target.id);
        QVERIFY(target.didSync);

        QCoro::Task<void> running = [&]() -> QCoro::Task<void> { co_return; }();
        std::optional<QCoro::Task<MoveOutcome>> moving;
        if (operation == QLatin1String("moveItem")) {
            moving = client.workspace().moveItem(target, ItemStatus::done);
        } else if (operation == QLatin1String("setItemArchived")) {
            running = client.workspace().setItemArchived(target, true);
        } else if (operation == QLatin1String("updateItem")) {
            Item edit = target;
            edit.status = ItemStatus::inProgress;
            running = client.workspace().updateItem(edit);
        } else if (operation == QLatin1String("mergeItems")) {
            running = client.workspace().mergeItems(*client.storedItem(source.id), target);
        } else {
            moving = client.workspace().moveItemToBoard(target, client.board(other.id));
        }

        // What another operation (a failed delete, a failed edit) leaves while this one waits.
        Item changed = *client.storedItem(target.id);
        if (meanwhile == QLatin1String("deleted"))
            changed.deletedAt = QDateTime::currentDateTimeUtc();
        else
            changed.content = QStringLiteral("Edited meanwhile");
        changed.updatedAt = QDateTime::currentDateTimeUtc().addSecs(1);
        changed.didSync = false;
        QVERIFY(LocalDataService::updateLocalItem(changed, client.store()));

        if (moving)
            QVERIFY(!QCoro::waitFor(std::move(*moving)).failed);
        else
            QCoro::waitFor(std::move(running));

        const auto after = client.storedItem(target.id);
        QVERIFY(after);
        QVERIFY2(!after->didSync, "the change made meanwhile has not been sent yet");
        const QUuid boardNow = operation == QLatin1String("moveItemToBoard") ? other.id : board.id;
        QCOMPARE(after->boardId, boardNow);
        if (meanwhile == QLatin1String("deleted")) {
            QVERIFY(after->deletedAt);
            QVERIFY(!isShown(client, boardNow, target.id));
        } else {
            QCOMPARE(after->content, QStringLiteral("Edited meanwhile"));
            if (operation == QLatin1String("moveItem"))
                QCOMPARE(after->status, ItemStatus::done);
            if (operation == QLatin1String("setItemArchived"))
                QVERIFY(after->archivedAt);
        }

        // The next sync takes the change made meanwhile to the service, which accepts it.
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(boardNow), false)));
        QCOMPARE(client.store().countItems(LocalDataService::unsyncedItemsQuery(boardNow)).value_or(-1), 0);
        QVERIFY(client.workspace().conflictCopies().all().isEmpty());
        const ServiceBoard service = serviceBoard(*m_server, client, boardNow);
        if (meanwhile == QLatin1String("deleted")) {
            QVERIFY(service.deleted.contains(target.id));
            QVERIFY(!service.live.contains(target.id));
        } else {
            QCOMPARE(service.live.value(target.id).value(QStringLiteral("content")).toString(),
                QStringLiteral("Edited meanwhile"));
            if (operation == QLatin1String("moveItem"))
                QCOMPARE(service.live.value(target.id).value(QStringLiteral("status")).toString(), QStringLiteral("DONE"));
        }
    }

    // A change the service does not take, answered after the item left this computer: deleted
    // elsewhere and taken by a sync, or cleared by sign-out (the delayed request then meets a
    // revoked sign-in). The item is not brought back, nothing goes out with the next sync, and an
    // edit's text stays as a conflict copy while its board is here.
    void failedChangeDoesNotBringBackAnItemGoneMeanwhile_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("signOut");
        for (const char* operation : {"updateItem", "setItemArchived", "deleteItem"}) {
            QTest::addRow("%s, deleted elsewhere and synced", operation) << operation << false;
            QTest::addRow("%s, signed out", operation) << operation << true;
        }
    }

    void failedChangeDoesNotBringBackAnItemGoneMeanwhile()
    {
        QFETCH(QString, operation);
        QFETCH(bool, signOut);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        Item target = client.newItem(board, QStringLiteral("Target"));
        QCoro::waitFor(client.workspace().addItem(target, client.board(board.id)));
        target = *client.storedItem(target.id);
        QVERIFY(target.didSync);
        const QString itemPath = QStringLiteral("/api/boards/%1/items/%2").arg(uuidText(board.id), uuidText(target.id));
        if (!signOut)
            QCOMPARE(m_server->request("DELETE", itemPath, std::nullopt, client.account().accessToken).status, 200);
        // Held long enough for the deletion here to land first; then refused by the service.
        QVERIFY(m_server->delayNext(1, 400, itemPath));

        QCoro::Task<void> running = [&]() -> QCoro::Task<void> { co_return; }();
        if (operation == QLatin1String("updateItem")) {
            Item edit = target;
            edit.content = QStringLiteral("Mine");
            running = client.workspace().updateItem(edit);
        } else if (operation == QLatin1String("setItemArchived")) {
            running = client.workspace().setItemArchived(target, true);
        } else {
            running = client.workspace().deleteItem(target);
        }
        if (signOut) {
            QCoro::waitFor(client.api().logout());
            client.workspace().clearCloudDataAfterSignOut();
        } else {
            QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        }
        QVERIFY(client.storedItem(target.id) == std::nullopt);
        QCoro::waitFor(std::move(running));

        QVERIFY2(!client.storedItem(target.id), "the item came back");
        QCOMPARE(client.store().countItems(ItemQuery::onBoard(board.id)).value_or(-1), 0);
        if (signOut) {
            QVERIFY(client.workspace().conflictCopies().all().isEmpty());
            QVERIFY(client.workspace().boards().isEmpty());
            return;
        }
        QVERIFY(!isShown(client, board.id, target.id));
        const QList<ConflictCopy> copies = client.workspace().conflictCopies().all();
        QCOMPARE(copies.size(), operation == QLatin1String("updateItem") ? 1 : 0);
        if (!copies.isEmpty())
            QCOMPARE(copies.first().content, QStringLiteral("Mine"));
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        QVERIFY(!client.storedItem(target.id));
        QVERIFY(serviceBoard(*m_server, client, board.id).deleted.contains(target.id));
    }

    // The service acknowledges a change while the board's sync answer, computed before it, is held
    // back: the answer's older copy does not replace the acknowledged one, and the next edit goes
    // out on the current revision (no refusal, no conflict copy).
    // A board-list answer that travelled while a board was made or deleted here neither takes the
    // new board away nor brings the deleted one back.
    void boardListAnswerHeldBackKeepsWhatChangedMeanwhile_data()
    {
        QTest::addColumn<bool>("create");
        QTest::newRow("board made meanwhile") << true;
        QTest::newRow("board deleted meanwhile") << false;
    }

    void boardListAnswerHeldBackKeepsWhatChangedMeanwhile()
    {
        QFETCH(bool, create);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board existing = client.createBoard(QStringLiteral("Existing"), StorageOption::cloud);
        QVERIFY(m_server->delayAnswerNext(1, 700, QStringLiteral("/api/boards")));
        auto refresh = client.workspace().refreshBoardsFromServer(false);
        if (create)
            QVERIFY(!client.createBoard(QStringLiteral("Made meanwhile"), StorageOption::cloud).id.isNull());
        else
            QCoro::waitFor(client.workspace().deleteBoard(existing));
        QCoro::waitFor(std::move(refresh));

        QCOMPARE(client.boardNamed(QStringLiteral("Made meanwhile")).has_value(), create);
        QCOMPARE(client.boardNamed(QStringLiteral("Existing")).has_value(), create);
        const auto stored = LocalDataService::fetchLocalCloudBoards(client.store());
        QVERIFY(stored);
        QCOMPARE(stored->size(), create ? 2 : 0);
    }

    void changeAcknowledgedWhileASyncAnswerIsHeldBackStays_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("edit") << "edit";
        QTest::newRow("status") << "status";
        QTest::newRow("archive") << "archive";
    }

    void changeAcknowledgedWhileASyncAnswerIsHeldBackStays()
    {
        QFETCH(QString, operation);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        Item target = client.addItem(board.id, QStringLiteral("First"));
        // Another device adds an item, so this client's next change does not advance its checkpoint
        // and the next sync answer lists the item again.
        QVERIFY(!addOnService(*m_server, client, board.id, QStringLiteral("Elsewhere")).isNull());
        const QString boardPath = serviceBoardPath(board.id);
        target = *client.storedItem(target.id);
        target.content = QStringLiteral("Before");
        QCoro::waitFor(client.workspace().updateItem(target));
        target = *client.storedItem(target.id);
        QVERIFY(target.didSync);
        QVERIFY(m_server->delayAnswerNext(1, 700, boardPath + QStringLiteral("/sync")));
        // The change reaches the service after the sync's answer was computed.
        QVERIFY(m_server->delayNext(1, 200, boardPath + QStringLiteral("/items/")));

        auto sync = client.workspace().syncBoard(client.board(board.id), false);
        QCoro::Task<void> running = [&]() -> QCoro::Task<void> { co_return; }();
        std::optional<QCoro::Task<MoveOutcome>> moving;
        if (operation == QLatin1String("edit")) {
            Item edit = target;
            edit.content = QStringLiteral("After");
            running = client.workspace().updateItem(edit);
        } else if (operation == QLatin1String("status")) {
            moving = client.workspace().moveItem(target, ItemStatus::done);
        } else {
            running = client.workspace().setItemArchived(target, true);
        }
        if (moving)
            QVERIFY(!QCoro::waitFor(std::move(*moving)).failed);
        else
            QCoro::waitFor(std::move(running));
        const Item acknowledged = *client.storedItem(target.id);
        QVERIFY(acknowledged.didSync);
        QVERIFY(acknowledged.revision > target.revision);
        QVERIFY(QCoro::waitFor(std::move(sync)));

        const Item after = *client.storedItem(target.id);
        QCOMPARE(after.revision, acknowledged.revision);
        QCOMPARE(after.content, acknowledged.content);
        QCOMPARE(after.status, acknowledged.status);
        QCOMPARE(after.archivedAt.has_value(), acknowledged.archivedAt.has_value());
        const Board shown = client.board(board.id);
        const auto item = std::find_if(
            shown.items.cbegin(), shown.items.cend(), [&](const Item& each) { return each.id == target.id; });
        QVERIFY(item != shown.items.cend());
        QCOMPARE(item->content, acknowledged.content);
        QCOMPARE(item->revision, acknowledged.revision);

        Item next = after;
        next.content = QStringLiteral("Next");
        QCoro::waitFor(client.workspace().updateItem(next));
        QVERIFY(client.workspace().conflictCopies().all().isEmpty());
        QVERIFY(client.storedItem(target.id)->didSync);
        QCOMPARE(serviceBoard(*m_server, client, board.id).live.value(target.id).value(QStringLiteral("content")).toString(),
            QStringLiteral("Next"));
    }
};

QTEST_GUILESS_MAIN(OverlappingOperationsTest)
#include "OverlappingOperationsTest.moc"
