// What syncBoard sends and how it applies an answer, against a scripted server on 127.0.0.1 that
// records the request and answers exactly what each case needs (orders and overlaps of new, deleted
// and modified items that the stand-in service would never produce together).
#include "PowerLossVfs.h"
#include "ScriptedHttpServer.h"
#include "StoreTestSupport.h"
#include "WorkspaceFixture.h"
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

#include <algorithm>
#include <functional>
#include <utility>

namespace {
const QString stamp = QStringLiteral("2024-05-01T12:30:00Z");

QList<QUuid> freshIds(int count)
{
    QList<QUuid> ids;
    for (int i = 0; i < count; ++i)
        ids.append(QUuid::createUuid());
    return ids;
}

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

    // Syncs write two items per step and the board was last synced at `checkpoint`.
    void syncInChunksOfTwoFrom(qint64 checkpoint)
    {
        workspace->setSyncChunkItems(2);
        preferences->set(std::optional<qint64>(checkpoint), PreferenceKeys::checkpoint(board.id));
    }

    ScriptedClient()
    {
        // A short wait for another connection's write lock: one test holds it to make saves fail.
        store = std::move(*StoreContext::open(dir.filePath(QStringLiteral("default.store")), StoreContext::Options {200}));
        preferences = std::make_unique<LocalStore>(dir.filePath(QStringLiteral("preferences.ini")));
        AnalyticsSettings settings;
        settings.queueDirectory = dir.filePath(QStringLiteral("analytics"));
        analytics = std::make_unique<UsageAnalytics>(settings);
        api = std::make_unique<NetworkService>(server.baseUrl(), std::make_shared<MemoryTokenStore>());
        QCoro::waitFor(api->setTokens(LoginTokens {QStringLiteral("access"), QStringLiteral("refresh")}));
        workspace = std::make_unique<BoardViewModel>(
            BoardViewModel::Services {*store, *api, *preferences, toasts, *analytics});

        board = boardRecord(QStringLiteral("Team"), true);
        store->insert(makeLocalBoard(board));
        (void)store->save();
    }

    Item storeItem(const QString& content, bool didSync, bool deleted = false, qint64 revision = 0)
    {
        Item item;
        item.id = QUuid::createUuid();
        item.content = content;
        item.boardId = board.id;
        item.createdAt = QDateTime::currentDateTimeUtc();
        item.updatedAt = item.createdAt;
        item.didSync = didSync;
        item.revision = revision;
        if (deleted)
            item.deletedAt = item.createdAt;
        store->insert(makeLocalItem(item));
        (void)store->save();
        return item;
    }

    std::optional<Item> stored(const QUuid& id)
    {
        const auto record = LocalDataService::fetchLocalItem(id, *store);
        return record ? std::optional(toItem(*record)) : std::nullopt;
    }

    // What another operation leaves while the sync waits: the item written with a newer change.
    void changeMeanwhile(const QUuid& id, const std::function<void(Item&)>& change)
    {
        Item item = *stored(id);
        change(item);
        item.updatedAt = QDateTime::currentDateTimeUtc().addSecs(5);
        item.didSync = false;
        QVERIFY(LocalDataService::updateLocalItem(item, *store));
    }

    qsizetype pending() { return store->countItems(LocalDataService::unsyncedItemsQuery(board.id)).value_or(-1); }
    std::optional<qint64> checkpoint() const { return preferences->get(PreferenceKeys::checkpoint(board.id)); }

    // Opens the store and the workspace again, as a restarted application would: what a failed
    // save kept pending in memory is gone.
    void reopen()
    {
        workspace.reset();
        store.reset();
        store = std::move(*StoreContext::open(dir.filePath(QStringLiteral("default.store"))));
        workspace = std::make_unique<BoardViewModel>(
            BoardViewModel::Services {*store, *api, *preferences, toasts, *analytics});
    }

    // The items of the board in the file itself (or in another file, such as a power-cut image),
    // read through a connection of its own; `condition` narrows them.
    int rowsInFile(const QString& fileName = {}, const QString& condition = QStringLiteral("1"))
    {
        RawConnection file(fileName.isEmpty() ? store->fileName() : fileName);
        const QString rows = file.value(QStringLiteral("SELECT count(*) FROM local_item WHERE boardId = '%1' AND (%2)")
                .arg(uuidText(board.id), condition));
        return rows.isEmpty() ? -1 : rows.toInt();
    }

    // Runs `between` once, when the sync has saved its first chunk and lets the event loop run.
    void betweenFirstChunks(std::function<void()> between)
    {
        auto once = std::make_shared<bool>(false);
        QObject::connect(workspace.get(), &BoardViewModel::syncProgress, workspace.get(),
            [once, between = std::move(between)](const QUuid&, qsizetype, qsizetype) {
                if (std::exchange(*once, true))
                    return;
                between();
            });
    }

    // The service's copy of an item with exactly what this client sends for it (as storeItem made it).
    QJsonObject sameAsSent(const QUuid& id, const QString& content, qint64 revision) const
    {
        QJsonObject item = remote(id, content, revision);
        item.insert("status", "TODO");
        item.insert("order", 0);
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
        QCOMPARE(client.checkpoint(), std::optional<qint64>(20));
        QCOMPARE(client.pending(), 0);
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
        QCOMPARE(client.checkpoint(), std::optional<qint64>(31));
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

    // Sent versions listed as conflicted: the service's copy takes the item's place, and the user's
    // version is kept as a conflict copy unless the service's copy says the same. A new item the
    // service has no copy of at all is never marked synced: it becomes a copy and leaves the board.
    void conflictedVersionsAreKeptAsCopies_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<bool>("copied");
        QTest::addColumn<int>("reason");
        QTest::newRow("replaced by the service's copy") << "replaced" << "Theirs" << true << int(ConflictReason::replaced);
        QTest::newRow("service's copy says the same") << "same" << "Mine" << false << 0;
        QTest::newRow("refused new item") << "refused" << "<absent>" << true << int(ConflictReason::refused);
        QTest::newRow("deleted on the service") << "deleted" << "<absent>" << true << int(ConflictReason::replaced);
    }

    void conflictedVersionsAreKeptAsCopies()
    {
        QFETCH(QString, answer);
        QFETCH(QString, storedAfter);
        QFETCH(bool, copied);
        QFETCH(int, reason);
        ScriptedClient client;
        const Item mine = client.storeItem(QStringLiteral("Mine"), false);
        if (answer == QLatin1String("replaced"))
            client.answer("Team", 9, {}, {}, {client.remote(mine.id, "Theirs", 9)}, ids({mine.id}));
        else if (answer == QLatin1String("same"))
            client.answer("Team", 9, {}, {}, {client.sameAsSent(mine.id, "Mine", 9)}, ids({mine.id}));
        else if (answer == QLatin1String("refused"))
            client.answer("Team", 9, {}, {}, {}, ids({mine.id}));
        else
            client.answer("Team", 9, {}, ids({mine.id}), {}, ids({mine.id}));
        client.workspace->loadBoards(true);

        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));
        QCOMPARE(client.content(mine.id), storedAfter);
        QCOMPARE(client.pending(), 0);
        const QList<ConflictCopy> copies = client.workspace->conflictCopies().forBoard(client.board.id);
        QCOMPARE(copies.size(), copied ? 1 : 0);
        if (copied) {
            QCOMPARE(copies.first().content, QStringLiteral("Mine"));
            QCOMPARE(copies.first().itemId, mine.id);
            QCOMPARE(int(copies.first().reason), reason);
            QCOMPARE(copies.first().boardName, QStringLiteral("Team"));
        }
        // A copy outlives the process.
        auto reopened = StoreContext::open(client.dir.filePath(QStringLiteral("default.store")));
        QVERIFY(reopened);
        ConflictCopies stored(**reopened);
        stored.load();
        QCOMPARE(stored.all().size(), copied ? 1 : 0);
    }

    // Synced means sent and unchanged since: an item changed while its sync ran keeps the newer
    // change pending and is not overwritten by the answer; a deletion made meanwhile is not revived.
    // When the answer's copy is what was sent, the item takes the service's revision, so the newer
    // change is not refused as stale next time; another member's change keeps the old revision, so
    // the next sync gets the conflict (and a copy) rather than overwriting that member's text.
    void itemChangedWhileItsSyncRunsKeepsItsChange_data()
    {
        QTest::addColumn<bool>("wasPending");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("answerContent");
        QTest::addColumn<qint64>("revisionAfter");
        QTest::newRow("sent, edited again meanwhile") << true << "edited" << "First" << qint64(12);
        QTest::newRow("sent, deleted meanwhile") << true << "deleted" << "First" << qint64(12);
        QTest::newRow("not sent, edited meanwhile, another member's change arrives")
            << false << "edited" << "Theirs" << qint64(3);
        QTest::newRow("not sent, deleted meanwhile, another member's change arrives")
            << false << "deleted" << "Theirs" << qint64(3);
    }

    void itemChangedWhileItsSyncRunsKeepsItsChange()
    {
        QFETCH(bool, wasPending);
        QFETCH(QString, meanwhile);
        QFETCH(QString, answerContent);
        QFETCH(qint64, revisionAfter);
        ScriptedClient client;
        const Item item = client.storeItem(QStringLiteral("First"), !wasPending, false, 3);
        client.answer("Team", 12, {}, {}, {wasPending ? client.sameAsSent(item.id, answerContent, 12)
                                                      : client.remote(item.id, answerContent, 12)}, {});
        client.workspace->loadBoards(true);

        auto sync = client.workspace->syncBoard(client.board, false);
        client.changeMeanwhile(item.id, [&](Item& changed) {
            if (meanwhile == QLatin1String("deleted"))
                changed.deletedAt = QDateTime::currentDateTimeUtc();
            else
                changed.content = QStringLiteral("Second");
        });
        QVERIFY(QCoro::waitFor(std::move(sync)));

        const auto after = client.stored(item.id);
        QVERIFY(after);
        QVERIFY(!after->didSync);
        QCOMPARE(after->revision, revisionAfter);
        if (meanwhile == QLatin1String("deleted")) {
            QVERIFY(after->deletedAt);
            QCOMPARE(after->content, QStringLiteral("First"));
            QVERIFY(client.workspace->findBoard(client.board.id)->items.isEmpty());
        } else {
            QCOMPARE(after->content, QStringLiteral("Second"));
            QCOMPARE(client.workspace->findBoard(client.board.id)->items.first().content, QStringLiteral("Second"));
        }
        QCOMPARE(client.pending(), 1);
        QCOMPARE(client.checkpoint(), std::optional<qint64>(12));
    }

    // An item moved from this cloud board to a local one while the board's sync ran: the late answer,
    // which still lists it on this board, does not take it back, and the deletion the next answer
    // lists does not remove it from the local board.
    void moveToALocalBoardDuringTheSyncStays()
    {
        ScriptedClient client;
        const Board local = boardRecord(QStringLiteral("Home"));
        client.store->insert(makeLocalBoard(local));
        const Item item = client.storeItem(QStringLiteral("Moved home"), true, false, 4);
        client.answer("Team", 10, {}, {}, {client.remote(item.id, "Moved home", 4)}, {});
        client.answer("Team", 11, {}, ids({item.id}), {}, {});
        client.workspace->loadBoards(true);

        auto sync = client.workspace->syncBoard(client.board, false);
        client.changeMeanwhile(item.id, [&](Item& moved) { moved.boardId = local.id; });
        QVERIFY(QCoro::waitFor(std::move(sync)));
        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));

        const auto after = client.stored(item.id);
        QVERIFY(after);
        QCOMPARE(after->boardId, local.id);
        QCOMPARE(after->content, QStringLiteral("Moved home"));
        QVERIFY(!after->deletedAt);
    }

    // A save that fails while the answer is applied: the sync counts as failed, the checkpoint stays
    // where it was so the next sync asks for the same changes again, and an item changed while the
    // request ran is still pending in the store's context (not marked synced by the failed save).
    void failedSaveKeepsTheCheckpointAndTheNewerChange()
    {
        ScriptedClient client;
        client.preferences->set(std::optional<qint64>(5), PreferenceKeys::checkpoint(client.board.id));
        const Item item = client.storeItem(QStringLiteral("First"), false);
        const QUuid arriving = QUuid::createUuid();
        client.answer("Team", 20, {client.remote(arriving, "From a teammate", 19)}, {},
            {client.sameAsSent(item.id, "First", 12)}, {});
        client.workspace->loadBoards(true);

        auto sync = client.workspace->syncBoard(client.board, false);
        client.changeMeanwhile(item.id, [](Item& changed) { changed.content = QStringLiteral("Second"); });
        bool synced = true;
        {
            RawConnection lock(client.store->fileName());
            QVERIFY(lock.execute(QStringLiteral("BEGIN IMMEDIATE")));
            synced = QCoro::waitFor(std::move(sync));
        }

        QVERIFY(!synced);
        QCOMPARE(client.checkpoint(), std::optional<qint64>(5));
        const auto after = client.stored(item.id);
        QCOMPARE(after->content, QStringLiteral("Second"));
        QVERIFY(!after->didSync);

        // Once saves work again, the next sync sends the newer change from the old checkpoint.
        client.answer("Team", 21, {client.remote(arriving, "From a teammate", 19)}, {},
            {client.sameAsSent(item.id, "Second", 21)}, {});
        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));
        QCOMPARE(client.sentBody().value("checkpoint").toInteger(), 5);
        QCOMPARE(client.sentBody().value("items").toArray().first().toObject().value("content").toString(),
            QStringLiteral("Second"));
        QVERIFY(client.stored(item.id)->didSync);
        QCOMPARE(client.content(arriving), QStringLiteral("From a teammate"));
    }

    // An answer is written a chunk at a time with the event loop running in between. An item the user
    // changes between two chunks keeps that change: the answer's later copy (or deletion) of it is not
    // applied, a deletion is not undone, and the item stays pending. The checkpoint moves only after
    // the last chunk.
    void changesBetweenChunksAreKept_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("answerDeletes");
        QTest::newRow("edited") << "edited" << false;
        QTest::newRow("edited, the answer deletes it") << "edited" << true;
        QTest::newRow("moved to another column") << "column" << false;
        QTest::newRow("archived") << "archived" << false;
        QTest::newRow("moved to a local board") << "local board" << false;
        QTest::newRow("deleted, not sent yet") << "tombstone" << false;
        QTest::newRow("deleted, the service took it") << "removed" << false;
    }

    void changesBetweenChunksAreKept()
    {
        QFETCH(QString, change);
        QFETCH(bool, answerDeletes);
        ScriptedClient client;
        client.syncInChunksOfTwoFrom(5);
        const Board local = boardRecord(QStringLiteral("Home"));
        client.store->insert(makeLocalBoard(local));
        const Item item = client.storeItem(QStringLiteral("Mine"), true, false, 3);
        const QList<QUuid> fresh = freshIds(3);
        // Chunks: the first two new items, then the third with the item's deletion or new copy.
        client.answer("Team", 20,
            {client.remote(fresh[0], "One", 17), client.remote(fresh[1], "Two", 18), client.remote(fresh[2], "Three", 19)},
            answerDeletes ? ids({item.id}) : QJsonArray {},
            answerDeletes ? QJsonArray {} : QJsonArray {client.remote(item.id, "Theirs", 20)}, {});
        client.workspace->loadBoards(true);

        std::optional<qint64> checkpointBetween;
        int filedBetween = -1;
        client.betweenFirstChunks([&] {
            checkpointBetween = client.checkpoint();
            filedBetween = int(client.store->countItems(ItemQuery::onBoard(client.board.id)).value_or(-1));
            if (change == QLatin1String("removed")) {
                QVERIFY(LocalDataService::deleteLocalItem(item.id, *client.store));
                return;
            }
            client.changeMeanwhile(item.id, [&](Item& changed) {
                if (change == QLatin1String("edited"))
                    changed.content = QStringLiteral("Mine, edited");
                else if (change == QLatin1String("column"))
                    changed.status = ItemStatus::done;
                else if (change == QLatin1String("archived"))
                    changed.archivedAt = QDateTime::currentDateTimeUtc();
                else if (change == QLatin1String("local board"))
                    changed.boardId = local.id;
                else
                    changed.deletedAt = QDateTime::currentDateTimeUtc();
            });
        });
        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));

        // Between the chunks the first two new items were written and the checkpoint had not moved.
        QCOMPARE(checkpointBetween, std::optional<qint64>(5));
        QCOMPARE(filedBetween, 3);
        QCOMPARE(client.checkpoint(), std::optional<qint64>(20));
        for (const QUuid& id : fresh)
            QVERIFY(client.stored(id));

        const auto after = client.stored(item.id);
        const Board shown = *client.workspace->findBoard(client.board.id);
        const bool listed = std::any_of(
            shown.items.cbegin(), shown.items.cend(), [&](const Item& held) { return held.id == item.id; });
        if (change == QLatin1String("removed")) {
            QVERIFY(!after);
            QVERIFY(!listed);
            QCOMPARE(client.pending(), 0);
            return;
        }
        QVERIFY(after);
        QVERIFY(!after->didSync);
        QCOMPARE(after->revision, qint64(3));
        QCOMPARE(after->content, change == QLatin1String("edited") ? QStringLiteral("Mine, edited") : QStringLiteral("Mine"));
        QCOMPARE(after->status, change == QLatin1String("column") ? ItemStatus::done : ItemStatus::todo);
        QCOMPARE(after->archivedAt.has_value(), change == QLatin1String("archived"));
        QCOMPARE(after->boardId, change == QLatin1String("local board") ? local.id : client.board.id);
        QCOMPARE(after->deletedAt.has_value(), change == QLatin1String("tombstone"));
        QCOMPARE(listed, change != QLatin1String("tombstone") && change != QLatin1String("local board"));
        QCOMPARE(client.pending(), change == QLatin1String("local board") ? 0 : 1);
        QCOMPARE(shown.items.size(), listed ? 4 : 3);
    }

    // A sync's steps commit without waiting for the disk; the checkpoint moves only after a save that
    // does, so a power cut at any moment leaves the old checkpoint or every item the new one covers.
    // A step that carries someone else's unsaved change (an edit whose own save failed) waits for the
    // disk like that change's own save would have. The image is what a power cut would leave at that
    // moment: every write not synced yet lost.
    void stepsAreDurableBeforeTheCheckpointMoves()
    {
        PowerLossVfs::install();
        ScriptedClient client;
        client.syncInChunksOfTwoFrom(5);
        const Item mine = client.storeItem(QStringLiteral("Mine"), true);
        const QList<QUuid> fresh = freshIds(6);
        QJsonArray newItems;
        for (const QUuid& id : fresh)
            newItems.append(client.remote(id, QStringLiteral("Theirs"), 10));
        client.answer("Team", 20, newItems, {}, {}, {});
        client.workspace->loadBoards(true);

        const QString image = client.dir.filePath(QStringLiteral("power-cut.store"));
        auto afterPowerCut = [&](const QString& condition) {
            PowerLossVfs::writeImage(client.store->fileName(), image);
            return client.rowsInFile(image, condition);
        };
        const QString theirs = QStringLiteral("content = 'Theirs'");
        const QString edited = QStringLiteral("content = 'Mine, edited'");
        int pauses = 0;
        int theirsAtFirstPause = -1;
        int editedAtSecondPause = -1;
        std::optional<qint64> checkpointAtLastPause = -1;
        QObject::connect(client.workspace.get(), &BoardViewModel::syncProgress, client.workspace.get(),
            [&](const QUuid&, qsizetype, qsizetype) {
                if (++pauses == 1) {
                    theirsAtFirstPause = afterPowerCut(theirs);
                    // The user's edit cannot be saved now (another connection took the lock between
                    // two commits): it stays pending and goes with the next step's commit.
                    QVERIFY(client.store->commitHeldSaves());
                    RawConnection lock(client.store->fileName());
                    QVERIFY(lock.execute(QStringLiteral("BEGIN IMMEDIATE")));
                    Item changed = *client.stored(mine.id);
                    changed.content = QStringLiteral("Mine, edited");
                    changed.didSync = false;
                    QVERIFY(LocalDataService::updateLocalItem(changed, *client.store));
                    QVERIFY(client.store->hasChanges());
                } else if (pauses == 2) {
                    editedAtSecondPause = afterPowerCut(edited);
                } else {
                    // The last step pauses too, with the checkpoint still where it was.
                    checkpointAtLastPause = client.checkpoint();
                }
            });
        // The first moment the checkpoint has moved: before anything written after it can sync the
        // log on its behalf.
        std::optional<int> theirsWhenCheckpointMoved;
        auto checkpointMoved = [&] {
            if (!theirsWhenCheckpointMoved
                && client.checkpoint() == std::optional<qint64>(20))
                theirsWhenCheckpointMoved = afterPowerCut(theirs);
        };
        QObject::connect(client.store.get(), &StoreContext::boardChanged, client.workspace.get(), checkpointMoved);
        QObject::connect(client.store.get(), &StoreContext::itemChanged, client.workspace.get(), checkpointMoved);

        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));
        checkpointMoved();
        QCOMPARE(pauses, 3);
        QCOMPARE(checkpointAtLastPause, std::optional<qint64>(5));
        // The first step was committed, not synced; the step with the edit was synced.
        QCOMPARE(theirsAtFirstPause, 0);
        QCOMPARE(editedAtSecondPause, 1);
        QCOMPARE(theirsWhenCheckpointMoved, std::optional<int>(6));
        QCOMPARE(afterPowerCut(edited), 1);
        QCOMPARE(client.stored(mine.id)->didSync, false);

        // Reopened from the file, the store holds every item and the edit still pending.
        client.reopen();
        QCOMPARE(client.rowsInFile(), 7);
        QCOMPARE(client.content(mine.id), QStringLiteral("Mine, edited"));
        QCOMPARE(client.pending(), 1);
        QCOMPARE(client.checkpoint(), std::optional<qint64>(20));
    }

    // The board leaves between two chunks (deleted here, or every cloud board cleared by sign-out):
    // the sync stops there, writes nothing more and leaves the checkpoint where it was.
    void boardGoneBetweenChunksStopsTheSync_data()
    {
        QTest::addColumn<bool>("signOut");
        QTest::newRow("board deleted") << false;
        QTest::newRow("signed out") << true;
    }

    void boardGoneBetweenChunksStopsTheSync()
    {
        QFETCH(bool, signOut);
        ScriptedClient client;
        client.syncInChunksOfTwoFrom(5);
        const QList<QUuid> fresh = freshIds(4);
        client.answer("Team", 20,
            {client.remote(fresh[0], "One", 17), client.remote(fresh[1], "Two", 18), client.remote(fresh[2], "Three", 19),
                client.remote(fresh[3], "Four", 20)},
            {}, {}, {});
        client.workspace->loadBoards(true);
        client.betweenFirstChunks([&] {
            if (signOut)
                client.workspace->clearCloudDataAfterSignOut();
            else
                QVERIFY(LocalDataService::deleteLocalBoard(client.board.id, *client.store));
        });

        QVERIFY(!QCoro::waitFor(client.workspace->syncBoard(client.board, true)));
        QCOMPARE(client.checkpoint(), signOut ? std::optional<qint64>() : std::optional<qint64>(5));
        QCOMPARE(client.rowsInFile(), 0);
        for (const QUuid& id : fresh)
            QVERIFY(!client.stored(id));
        if (signOut)
            QVERIFY(!client.workspace->boards().contains(client.board));
        QVERIFY(client.workspace->syncingBoards().isEmpty());
        QVERIFY(!client.workspace->boardRefreshStates().contains(client.board.id));
    }

    // A chunk's save fails (a trigger refuses one of its rows): the sync fails with the checkpoint
    // where it was. The failure takes the earlier chunk's uncommitted save with it; every item
    // written stays shown, unsaved. The next sync asks from that checkpoint again and writes everything, whether
    // the application went on or was restarted in between.
    void secondSyncAfterAFailedChunkAppliesEverything_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("same session") << false;
        QTest::newRow("restarted") << true;
    }

    void secondSyncAfterAFailedChunkAppliesEverything()
    {
        QFETCH(bool, restart);
        ScriptedClient client;
        client.syncInChunksOfTwoFrom(5);
        const QList<QUuid> fresh = freshIds(4);
        QJsonArray newItems;
        for (const QUuid& id : fresh)
            newItems.append(client.remote(id, QStringLiteral("Item ") + uuidText(id), 10));
        client.answer("Team", 20, newItems, {}, {}, {});
        client.answer("Team", 21, newItems, {}, {}, {});
        client.workspace->loadBoards(true);

        RawConnection other(client.store->fileName());
        QVERIFY(other.execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON local_item WHEN NEW.id = '%1' "
                                             "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                .arg(uuidText(fresh[2]))));

        QVERIFY(!QCoro::waitFor(client.workspace->syncBoard(client.board, true)));
        QCOMPARE(client.checkpoint(), std::optional<qint64>(5));
        QCOMPARE(client.rowsInFile(), 0);
        QVERIFY(client.store->hasChanges());
        QCOMPARE(client.workspace->findBoard(client.board.id)->items.size(), 4);
        QCOMPARE(client.toasts.toast()->type, ToastType::error);

        QVERIFY(other.execute(QStringLiteral("DROP TRIGGER refuse")));
        if (restart) {
            client.reopen();
            client.workspace->setSyncChunkItems(2);
            client.workspace->loadBoards(true);
        }
        QVERIFY(QCoro::waitFor(client.workspace->syncBoard(client.board, false)));
        QCOMPARE(client.sentBody().value("checkpoint").toInteger(), 5);
        QCOMPARE(client.checkpoint(), std::optional<qint64>(21));
        QCOMPARE(client.rowsInFile(), 4);
        QCOMPARE(client.pending(), 0);
        for (const QUuid& id : fresh)
            QCOMPARE(client.content(id), QStringLiteral("Item ") + uuidText(id));
        QCOMPARE(client.workspace->findBoard(client.board.id)->items.size(), 4);
    }

    void serviceErrorBodyIsShown()
    {
        ScriptedClient client;
        client.server.enqueue(ScriptedReply::json(
            409, R"({"status":409,"code":"BOARD_ARCHIVED","message":"The board is archived.","path":"/x"})"));
        QVERIFY(!QCoro::waitFor(client.workspace->syncBoard(client.board, true)));
        QCOMPARE(client.toasts.toast()->message, QStringLiteral("The board is archived."));
        QCOMPARE(client.toasts.toast()->type, ToastType::error);
        QVERIFY(!client.checkpoint());
    }
};

QTEST_GUILESS_MAIN(SyncApplyTest)
#include "SyncApplyTest.moc"
