// What syncBoard sends and how it applies an answer, against a scripted server on 127.0.0.1 that
// records the request and answers exactly what each case needs (orders and overlaps of new, deleted
// and modified items that the stand-in service would never produce together).
#include "ScriptedHttpServer.h"
#include "analytics/UsageAnalytics.h"
#include "domain/Ids.h"
#include "net/MemoryTokenStore.h"
#include "net/NetworkService.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString stamp = QStringLiteral("2024-05-01T12:30:00Z");

// One signed-in client of the scripted server, with real store and preference files.
struct ScriptedClient
{
    QTemporaryDir dir;
    ScriptedHttpServer server;
    ToastManager toasts;
    std::unique_ptr<StoreContext> store;
    std::unique_ptr<LocalStore> preferences;
    std::unique_ptr<UsageAnalytics> analytics;
    std::unique_ptr<NetworkService> api;
    std::unique_ptr<BoardViewModel> workspace;
    Board board;

    ScriptedClient()
    {
        store = std::move(*StoreContext::open(dir.filePath(QStringLiteral("default.store"))));
        preferences = std::make_unique<LocalStore>(dir.filePath(QStringLiteral("preferences.ini")));
        AnalyticsSettings settings;
        settings.queueDirectory = dir.filePath(QStringLiteral("analytics"));
        analytics = std::make_unique<UsageAnalytics>(settings);
        api = std::make_unique<NetworkService>(server.baseUrl(), std::make_shared<MemoryTokenStore>());
        QCoro::waitFor(api->setTokens(LoginTokens {QStringLiteral("access"), QStringLiteral("refresh")}));
        workspace = std::make_unique<BoardViewModel>(
            BoardViewModel::Services {*store, *api, *preferences, toasts, *analytics});

        board.id = QUuid::createUuid();
        board.name = QStringLiteral("Team");
        board.createdAt = QDateTime::currentDateTimeUtc();
        board.updatedAt = board.createdAt;
        board.syncWithServer = true;
        board.createdBy = QStringLiteral("owner");
        store->insert(makeLocalBoard(board));
        (void)store->save();
    }

    Item storeItem(const QString& content, bool didSync, bool deleted = false)
    {
        Item item;
        item.id = QUuid::createUuid();
        item.content = content;
        item.boardId = board.id;
        item.createdAt = QDateTime::currentDateTimeUtc();
        item.updatedAt = item.createdAt;
        item.didSync = didSync;
        if (deleted)
            item.deletedAt = item.createdAt;
        store->insert(makeLocalItem(item));
        (void)store->save();
        return item;
    }

    QString content(const QUuid& id)
    {
        const auto record = LocalDataService::fetchLocalItem(id, *store);
        return record ? record->content() : QStringLiteral("<absent>");
    }

    QJsonObject remote(const QUuid& id, const QString& content, qint64 revision) const
    {
        return {{"id", uuidText(id)}, {"content", content}, {"status", "IN_PROGRESS"},
            {"boardId", uuidText(board.id)}, {"createdAt", stamp},
            {"createdBy", uuidText(QUuid::createUuid())}, {"order", 1}, {"updatedAt", stamp},
            {"revision", revision}};
    }

    void answer(const QString& boardName, qint64 checkpoint, QJsonArray newItems, QJsonArray deleted,
        QJsonArray modified, QJsonArray conflicted)
    {
        const QJsonObject body {{"boardName", boardName}, {"latestCheckpoint", checkpoint},
            {"newItems", newItems}, {"deletedItems", deleted}, {"modifiedItems", modified},
            {"conflictedItems", conflicted}};
        server.enqueue(ScriptedReply::json(200, QJsonDocument(body).toJson()));
    }

    QJsonObject sentBody() const
    {
        return server.requests().isEmpty() ? QJsonObject {}
                                           : QJsonDocument::fromJson(server.requests().last().body).object();
    }
};

QJsonArray ids(std::initializer_list<QUuid> list)
{
    QJsonArray array;
    for (const QUuid& id : list)
        array.append(uuidText(id));
    return array;
}
}

class SyncApplyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void requestCarriesCheckpointAndPendingItems_data()
    {
        QTest::addColumn<std::optional<qint64>>("checkpoint");
        QTest::addColumn<bool>("withPending");
        QTest::newRow("first sync") << std::optional<qint64>() << false;
        QTest::newRow("stored checkpoint, nothing pending") << std::optional<qint64>(12) << false;
        QTest::newRow("pending changes and a deletion") << std::optional<qint64>(7) << true;
    }

    void requestCarriesCheckpointAndPendingItems()
    {
        QFETCH(std::optional<qint64>, checkpoint);
        QFETCH(bool, withPending);
        ScriptedClient client;
        client.preferences->set(checkpoint, PreferenceKeys::checkpoint(client.board.id));
        client.storeItem(QStringLiteral("Already synced"), true);
        QStringList expectedIds;
        QUuid tombstone;
        if (withPending) {
            expectedIds.append(uuidText(client.storeItem(QStringLiteral("Edited offline"), false).id));
            tombstone = client.storeItem(QStringLiteral("Deleted offline"), false, true).id;
            expectedIds.append(uuidText(tombstone));
        }
        client.answer(QStringLiteral("Team"), 20, {}, {}, {}, {});

        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));
        QCOMPARE(client.server.requests().size(), 1);
        QCOMPARE(client.server.requests().first().method, QByteArray("POST"));
        QCOMPARE(client.server.requests().first().path(),
            QStringLiteral("/api/boards/") + uuidText(client.board.id) + QStringLiteral("/sync"));
        const QJsonObject sent = client.sentBody();
        QCOMPARE(sent.value("checkpoint").toInteger(), checkpoint.value_or(0));
        QStringList sentIds;
        for (const QJsonValue& item : sent.value("items").toArray()) {
            sentIds.append(item.toObject().value("id").toString());
            const bool isTombstone = item.toObject().value("id").toString() == uuidText(tombstone);
            QCOMPARE(item.toObject().contains("deletedAt"), isTombstone);
        }
        QCOMPARE(sent.value("items").isArray(), true);
        sentIds.sort();
        expectedIds.sort();
        QCOMPARE(sentIds, expectedIds);
        QCOMPARE(
            client.preferences->get(PreferenceKeys::checkpoint(client.board.id)), std::optional<qint64>(20));
        QCOMPARE(
            client.store->countItems(LocalDataService::unsyncedItemsQuery(client.board.id)).value_or(-1), 0);
    }

    void answerIsAppliedNewThenDeletedThenModified()
    {
        ScriptedClient client;
        const Item conflicted = client.storeItem(QStringLiteral("Mine, refused"), true);
        const Item untouched = client.storeItem(QStringLiteral("Untouched"), false);
        // Moved to another board, where it already arrived: the service lists it as deleted here.
        Item movedAway = client.storeItem(QStringLiteral("Moved away"), true);
        movedAway.boardId = QUuid::createUuid();
        QVERIFY(LocalDataService::updateLocalItem(movedAway, *client.store));
        const QUuid newThenDeleted = QUuid::createUuid();
        const QUuid newOnly = QUuid::createUuid();
        const QUuid deletedThenModified = QUuid::createUuid();
        client.answer(QStringLiteral("Team (renamed)"), 31,
            {client.remote(newThenDeleted, QStringLiteral("Short-lived"), 28),
                client.remote(newOnly, QStringLiteral("Fresh"), 29)},
            ids({newThenDeleted, deletedThenModified, movedAway.id}),
            {client.remote(deletedThenModified, QStringLiteral("Back again"), 30)}, ids({conflicted.id}));

        client.workspace->loadBoards(true);
        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, true)));
        QCOMPARE(client.content(newThenDeleted), QStringLiteral("<absent>"));
        QCOMPARE(client.content(newOnly), QStringLiteral("Fresh"));
        QCOMPARE(client.content(deletedThenModified), QStringLiteral("Back again"));
        QCOMPARE(client.content(conflicted.id), QStringLiteral("Mine, refused"));
        QCOMPARE(client.content(untouched.id), QStringLiteral("Untouched"));
        QCOMPARE(client.content(movedAway.id), QStringLiteral("Moved away"));
        const auto fresh = LocalDataService::fetchLocalItem(newOnly, *client.store);
        QCOMPARE(fresh->status(), ItemStatus::inProgress);
        QCOMPARE(fresh->revision(), qint64(29));
        QVERIFY(fresh->didSync());

        const Board board = *client.workspace->findBoard(client.board.id);
        QCOMPARE(board.name, QStringLiteral("Team (renamed)"));
        QCOMPARE(board.items.size(), 4);
        QCOMPARE(LocalDataService::fetchLocalBoards(*client.store)->first().name,
            QStringLiteral("Team (renamed)"));
        QCOMPARE(
            client.preferences->get(PreferenceKeys::checkpoint(client.board.id)), std::optional<qint64>(31));
        QCOMPARE(client.toasts.toast()->message, QStringLiteral("Board refreshed"));
    }

    // The service refused a pending deletion (someone changed the item first) and sends its copy.
    void refusedDeletionBringsTheItemBack()
    {
        ScriptedClient client;
        const Item deleted = client.storeItem(QStringLiteral("Deleted here"), false, true);
        client.answer(QStringLiteral("Team"), 9, {}, {},
            {client.remote(deleted.id, QStringLiteral("Changed there"), 8)}, ids({deleted.id}));
        client.workspace->loadBoards(true);
        QVERIFY(client.workspace->findBoard(client.board.id)->items.isEmpty());

        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));
        const auto record = LocalDataService::fetchLocalItem(deleted.id, *client.store);
        QVERIFY(record);
        QVERIFY(!record->deletedAt());
        QVERIFY(record->didSync());
        QCOMPARE(record->content(), QStringLiteral("Changed there"));
        QCOMPARE(client.workspace->findBoard(client.board.id)->items.size(), 1);
    }

    void serviceErrorBodyIsShown()
    {
        ScriptedClient client;
        client.server.enqueue(ScriptedReply::json(
            409, R"({"status":409,"code":"BOARD_ARCHIVED","message":"The board is archived.","path":"/x"})"));
        QVERIFY(!QCoro::waitFor(client.workspace->syncBoard(client.board, true)));
        QCOMPARE(client.toasts.toast()->message, QStringLiteral("The board is archived."));
        QCOMPARE(client.toasts.toast()->type, ToastType::error);
        QVERIFY(!client.preferences->get(PreferenceKeys::checkpoint(client.board.id)));
    }
};

QTEST_GUILESS_MAIN(SyncApplyTest)
#include "SyncApplyTest.moc"
