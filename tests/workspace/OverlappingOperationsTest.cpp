// Item operations that wait for the service while something else changes the same item: each
// re-reads the item when the answer arrives and writes only its own change, so a deletion or an
// edit made meanwhile stays, and goes to the service with the next sync. Against the stand-in
// service with real store files; the change "meanwhile" is written between starting the operation
// (which sends its request and waits) and letting the answer in.
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"

#include <QJsonArray>
#include <QStandardPaths>
#include <QTest>

namespace {
std::optional<Item> storedItem(WorkspaceClient& client, const QUuid& id)
{
    const auto record = LocalDataService::fetchLocalItem(id, client.store());
    return record ? std::optional(toItem(*record)) : std::nullopt;
}

Board current(WorkspaceClient& client, const QUuid& boardId)
{
    return client.workspace().findBoard(boardId).value_or(Board {});
}

bool isShown(WorkspaceClient& client, const QUuid& boardId, const QUuid& itemId)
{
    const Board board = current(client, boardId);
    return std::any_of(board.items.cbegin(), board.items.cend(), [&](const Item& item) { return item.id == itemId; });
}

struct ServiceState
{
    QHash<QUuid, QJsonObject> live;
    QSet<QUuid> deleted;
};

ServiceState serviceState(DevServer& server, const WorkspaceClient& client, const QUuid& boardId)
{
    const auto reply = server.request("POST", QStringLiteral("/api/boards/%1/sync").arg(uuidText(boardId)),
        QByteArray(R"({"checkpoint":0,"items":[]})"), client.account().accessToken);
    ServiceState state;
    for (const QJsonValue& item : reply.object().value(QStringLiteral("newItems")).toArray())
        state.live.insert(QUuid::fromString(item[QStringLiteral("id")].toString()), item.toObject());
    for (const QJsonValue& id : reply.object().value(QStringLiteral("deletedItems")).toArray())
        state.deleted.insert(QUuid::fromString(id.toString()));
    return state;
}
}

class OverlappingOperationsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }

    void init() { QVERIFY(m_server->reset()); }

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
        QCoro::waitFor(client.workspace().addItem(target, current(client, board.id)));
        Item source = client.newItem(current(client, board.id), QStringLiteral("Source"));
        QCoro::waitFor(client.workspace().addItem(source, current(client, board.id)));
        target = *storedItem(client, target.id);
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
            running = client.workspace().mergeItems(*storedItem(client, source.id), target);
        } else {
            moving = client.workspace().moveItemToBoard(target, current(client, other.id));
        }

        // What another operation (a failed delete, a failed edit) leaves while this one waits.
        Item changed = *storedItem(client, target.id);
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

        const auto after = storedItem(client, target.id);
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
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(current(client, boardNow), false)));
        QCOMPARE(client.store().countItems(LocalDataService::unsyncedItemsQuery(boardNow)).value_or(-1), 0);
        QVERIFY(client.workspace().conflictCopies().all().isEmpty());
        const ServiceState service = serviceState(*m_server, client, boardNow);
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
};

QTEST_GUILESS_MAIN(OverlappingOperationsTest)
#include "OverlappingOperationsTest.moc"
