// Revisions, the change log behind checkpoint sync, conflict resolution (the service's copy wins)
// and tombstones, over raw HTTP.
#include "Api.h"

#include <QStandardPaths>
#include <QTest>

using namespace Api;

class SyncTest : public QObject
{
    Q_OBJECT

private:
    DevServer::Reply patchItem(
        SharedBoard& f, const QString& token, const QString& itemId, const QJsonObject& body)
    {
        return f.server.request(
            "PATCH", QStringLiteral("/api/boards/%1/items/%2").arg(f.board, itemId), bytes(body), token);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void everyItemWriteAdvancesTheBoardRevisionByOne()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        QCOMPARE(boardRevision(f.server, f.ann.accessToken, f.board), 0);

        const QString item = newId();
        QCOMPARE(addItem(f.server, f.ann.accessToken, f.board, item, QStringLiteral("one"))
                     .value(QStringLiteral("revision"))
                     .toInteger(),
            1);
        const DevServer::Reply moved = patchItem(f, f.ann.accessToken, item,
            {{QStringLiteral("status"), QStringLiteral("DONE")}, {QStringLiteral("revision"), 1}});
        QCOMPARE(moved.status, 200);
        QCOMPARE(moved.object().value(QStringLiteral("revision")).toInteger(), 2);
        QCOMPARE(moved.object().value(QStringLiteral("id")).toString(), item);
        QVERIFY(!moved.object().value(QStringLiteral("updatedAt")).toString().isEmpty());
        const DevServer::Reply deleted = f.server.request("DELETE",
            QStringLiteral("/api/boards/%1/items/%2").arg(f.board, item), std::nullopt, f.bob.accessToken);
        QCOMPARE(deleted.object().value(QStringLiteral("revision")).toInteger(), 3);
        QCOMPARE(boardRevision(f.server, f.ann.accessToken, f.board), 3);
        // Board settings are not item changes: they leave the revision alone.
        QCOMPARE(f.server
                     .request("PATCH", QStringLiteral("/api/boards/") + f.board,
                         bytes({{QStringLiteral("name"), QStringLiteral("Renamed")}}), f.ann.accessToken)
                     .status,
            204);
        QCOMPARE(boardRevision(f.server, f.ann.accessToken, f.board), 3);
    }

    void syncSplitsChangesAfterTheCheckpoint()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString a = newId(), b = newId(), c = newId(), d = newId();
        for (const QString& id : {a, b, c})
            addItem(f.server, f.ann.accessToken, f.board, id, id.left(4));

        const QJsonObject first = sync(f.server, f.bob.accessToken, f.board, 0);
        QCOMPARE(recordIds(first.value(QStringLiteral("newItems")).toArray()), (QStringList {a, b, c}));
        QCOMPARE(first.value(QStringLiteral("latestCheckpoint")).toInteger(), 3);
        QCOMPARE(first.value(QStringLiteral("boardName")).toString(), QStringLiteral("Plans"));

        QCOMPARE(
            patchItem(f, f.ann.accessToken, a,
                {{QStringLiteral("content"), QStringLiteral("changed")}, {QStringLiteral("revision"), 1}})
                .status,
            200);
        f.server.request("DELETE", QStringLiteral("/api/boards/%1/items/%2").arg(f.board, b), std::nullopt,
            f.ann.accessToken);
        addItem(f.server, f.ann.accessToken, f.board, d, QStringLiteral("four"));

        const QJsonObject second = sync(f.server, f.bob.accessToken, f.board, 3);
        QCOMPARE(recordIds(second.value(QStringLiteral("newItems")).toArray()), QStringList {d});
        QCOMPARE(recordIds(second.value(QStringLiteral("modifiedItems")).toArray()), QStringList {a});
        QCOMPARE(findRecord(second.value(QStringLiteral("modifiedItems")).toArray(), a)
                     .value(QStringLiteral("content"))
                     .toString(),
            QStringLiteral("changed"));
        QCOMPARE(ids(second.value(QStringLiteral("deletedItems")).toArray()), QStringList {b});
        QCOMPARE(second.value(QStringLiteral("latestCheckpoint")).toInteger(), 6);
        QVERIFY(second.value(QStringLiteral("conflictedItems")).toArray().isEmpty());

        const QJsonObject quiet = sync(f.server, f.bob.accessToken, f.board, 6);
        QVERIFY(quiet.value(QStringLiteral("newItems")).toArray().isEmpty());
        QVERIFY(quiet.value(QStringLiteral("modifiedItems")).toArray().isEmpty());
        QVERIFY(quiet.value(QStringLiteral("deletedItems")).toArray().isEmpty());
        QCOMPARE(quiet.value(QStringLiteral("latestCheckpoint")).toInteger(), 6);
    }

    void remoteItemCarriesEveryContractField()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString item = newId();
        QJsonObject body = itemBody(f.board, QStringLiteral("Call @bob"), QStringLiteral("IN_PROGRESS"), 7);
        body.insert(QStringLiteral("assignee"), f.bob.userId);
        QCOMPARE(f.server
                     .request("POST", QStringLiteral("/api/boards/%1/items/%2").arg(f.board, item),
                         bytes(body), f.ann.accessToken)
                     .status,
            200);
        patchItem(f, f.ann.accessToken, item,
            {{QStringLiteral("archivedAt"), QStringLiteral("2024-06-01T10:00:00+02:00")},
                {QStringLiteral("revision"), 1}});

        const QJsonObject remote = sync(f.server, f.bob.accessToken, f.board, 0)
                                       .value(QStringLiteral("newItems"))
                                       .toArray()
                                       .first()
                                       .toObject();
        QCOMPARE(remote.value(QStringLiteral("id")).toString(), item);
        QCOMPARE(remote.value(QStringLiteral("content")).toString(), QStringLiteral("Call @bob"));
        QCOMPARE(remote.value(QStringLiteral("status")).toString(), QStringLiteral("IN_PROGRESS"));
        QCOMPARE(remote.value(QStringLiteral("boardId")).toString(), f.board);
        QCOMPARE(
            remote.value(QStringLiteral("createdAt")).toString(), QStringLiteral("2024-05-01T12:30:00Z"));
        QCOMPARE(remote.value(QStringLiteral("createdBy")).toString(), f.ann.userId);
        QCOMPARE(remote.value(QStringLiteral("assignee")).toString(), f.bob.userId);
        QCOMPARE(remote.value(QStringLiteral("author")).toString(), QStringLiteral("Ann"));
        QCOMPARE(remote.value(QStringLiteral("order")).toInteger(), 7);
        QCOMPARE(
            remote.value(QStringLiteral("archivedAt")).toString(), QStringLiteral("2024-06-01T08:00:00Z"));
        QCOMPARE(remote.value(QStringLiteral("revision")).toInteger(), 2);
        QVERIFY(!remote.contains(QStringLiteral("deletedAt")));

        // Unarchiving and unassigning are explicit nulls.
        patchItem(f, f.ann.accessToken, item,
            {{QStringLiteral("archivedAt"), QJsonValue::Null}, {QStringLiteral("assignee"), QJsonValue::Null},
                {QStringLiteral("revision"), 2}});
        const QJsonObject cleared = sync(f.server, f.bob.accessToken, f.board, 2)
                                        .value(QStringLiteral("modifiedItems"))
                                        .toArray()
                                        .first()
                                        .toObject();
        QVERIFY(!cleared.contains(QStringLiteral("archivedAt")));
        QVERIFY(!cleared.contains(QStringLiteral("assignee")));
        QCOMPARE(cleared.value(QStringLiteral("content")).toString(), QStringLiteral("Call @bob"));
    }

    void pendingItemsAgainstTheServiceCopy_data()
    {
        QTest::addColumn<QString>("serviceChange"); // by Bob, before Ann syncs: none, edit or delete
        QTest::addColumn<bool>("clientSawChange"); // Ann's pending item carries the service's latest revision
        QTest::addColumn<bool>("clientDeletes");
        QTest::addColumn<QString>("clientStatus");
        QTest::addColumn<bool>("conflict");
        QTest::addColumn<QString>("outcome"); // client, service or deleted

        QTest::newRow("edit at the current revision")
            << "none" << true << false << "DONE" << false << "client";
        QTest::newRow("edit after seeing another's edit")
            << "edit" << true << false << "DONE" << false << "client";
        QTest::newRow("edit behind another's edit")
            << "edit" << false << false << "DONE" << true << "service";
        QTest::newRow("delete at the current revision")
            << "none" << true << true << "TODO" << false << "deleted";
        QTest::newRow("delete behind another's edit")
            << "edit" << false << true << "TODO" << true << "service";
        QTest::newRow("edit of a deleted item") << "delete" << false << false << "DONE" << true << "deleted";
        QTest::newRow("delete of a deleted item")
            << "delete" << false << true << "TODO" << false << "deleted";
        QTest::newRow("status text it cannot store")
            << "none" << true << false << "done" << true << "service";
    }

    void pendingItemsAgainstTheServiceCopy()
    {
        QFETCH(QString, serviceChange);
        QFETCH(bool, clientSawChange);
        QFETCH(bool, clientDeletes);
        QFETCH(QString, clientStatus);
        QFETCH(bool, conflict);
        QFETCH(QString, outcome);

        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString item = newId();
        const qint64 seen = addItem(f.server, f.ann.accessToken, f.board, item, QStringLiteral("original"))
                                .value(QStringLiteral("revision"))
                                .toInteger();
        QString serviceContent = QStringLiteral("original");
        qint64 latest = seen;
        if (serviceChange == QLatin1String("edit")) {
            latest = patchItem(f, f.bob.accessToken, item,
                {{QStringLiteral("content"), QStringLiteral("by bob")}, {QStringLiteral("revision"), seen}})
                         .object()
                         .value(QStringLiteral("revision"))
                         .toInteger();
            serviceContent = QStringLiteral("by bob");
        } else if (serviceChange == QLatin1String("delete")) {
            f.server.request("DELETE", QStringLiteral("/api/boards/%1/items/%2").arg(f.board, item),
                std::nullopt, f.bob.accessToken);
        }

        QJsonObject pending = remoteItem(
            item, f.board, f.ann.userId, QStringLiteral("by ann"), clientSawChange ? latest : seen);
        pending.insert(QStringLiteral("status"), clientStatus);
        if (clientDeletes)
            pending.insert(QStringLiteral("deletedAt"), QStringLiteral("2024-05-03T09:00:00Z"));
        const QJsonObject answer = sync(f.server, f.ann.accessToken, f.board, seen, {pending});

        QCOMPARE(ids(answer.value(QStringLiteral("conflictedItems")).toArray()).contains(item), conflict);
        const QJsonArray modified = answer.value(QStringLiteral("modifiedItems")).toArray();
        const QStringList deleted = ids(answer.value(QStringLiteral("deletedItems")).toArray());
        if (outcome == QLatin1String("deleted")) {
            QVERIFY(deleted.contains(item));
            QVERIFY(!recordIds(modified).contains(item));
        } else {
            QVERIFY(!deleted.contains(item));
            const QString expected
                = outcome == QLatin1String("client") ? QStringLiteral("by ann") : serviceContent;
            QCOMPARE(findRecord(modified, item).value(QStringLiteral("content")).toString(), expected);
        }
        // Whatever the answer said is what every member now gets.
        const QJsonObject fresh = sync(f.server, f.bob.accessToken, f.board, 0);
        const QJsonObject stored = findRecord(fresh.value(QStringLiteral("newItems")).toArray(), item);
        QCOMPARE(stored.isEmpty(), outcome == QLatin1String("deleted"));
        QCOMPARE(fresh.value(QStringLiteral("latestCheckpoint")).toInteger(),
            answer.value(QStringLiteral("latestCheckpoint")).toInteger());
    }

    void newPendingItemIsCreatedAndReportedAsNew()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString item = newId();
        const QJsonObject answer = sync(f.server, f.ann.accessToken, f.board, 0,
            {remoteItem(item, f.board, f.ann.userId, QStringLiteral("written offline"), 0)});
        const QJsonObject created = findRecord(answer.value(QStringLiteral("newItems")).toArray(), item);
        QCOMPARE(created.value(QStringLiteral("content")).toString(), QStringLiteral("written offline"));
        QCOMPARE(created.value(QStringLiteral("revision")).toInteger(),
            answer.value(QStringLiteral("latestCheckpoint")).toInteger());
        QCOMPARE(created.value(QStringLiteral("createdBy")).toString(), f.ann.userId);

        // A pending item deleted before it ever reached the service is simply dropped.
        const QString ghost = newId();
        QJsonObject deletedOffline = remoteItem(ghost, f.board, f.ann.userId, QStringLiteral("gone"), 0);
        deletedOffline.insert(QStringLiteral("deletedAt"), QStringLiteral("2024-05-03T09:00:00Z"));
        const QJsonObject second = sync(f.server, f.ann.accessToken, f.board, 1, {deletedOffline});
        QCOMPARE(ids(second.value(QStringLiteral("deletedItems")).toArray()), QStringList {ghost});
        QCOMPARE(second.value(QStringLiteral("latestCheckpoint")).toInteger(), 1);
    }

    void tombstonesAreReportedUntilTheCheckpointPassesThem()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString keep = newId(), gone = newId();
        addItem(f.server, f.ann.accessToken, f.board, keep, QStringLiteral("keep"));
        addItem(f.server, f.ann.accessToken, f.board, gone, QStringLiteral("gone"));
        f.server.request("DELETE", QStringLiteral("/api/boards/%1/items/%2").arg(f.board, gone), std::nullopt,
            f.ann.accessToken);
        // Deleting again answers with the tombstone and is not a new change.
        const DevServer::Reply again = f.server.request("DELETE",
            QStringLiteral("/api/boards/%1/items/%2").arg(f.board, gone), std::nullopt, f.ann.accessToken);
        QCOMPARE(again.status, 200);
        QCOMPARE(again.object().value(QStringLiteral("revision")).toInteger(), 3);

        QCOMPARE(ids(sync(f.server, f.bob.accessToken, f.board, 2)
                         .value(QStringLiteral("deletedItems"))
                         .toArray()),
            QStringList {gone});
        QVERIFY(sync(f.server, f.bob.accessToken, f.board, 3)
                    .value(QStringLiteral("deletedItems"))
                    .toArray()
                    .isEmpty());
        const QJsonObject full = sync(f.server, f.bob.accessToken, f.board, 0);
        QCOMPARE(recordIds(full.value(QStringLiteral("newItems")).toArray()), QStringList {keep});
        QCOMPARE(ids(full.value(QStringLiteral("deletedItems")).toArray()), QStringList {gone});
        // A deleted item cannot be edited any more.
        QCOMPARE(patchItem(f, f.ann.accessToken, gone,
                     {{QStringLiteral("content"), QStringLiteral("x")}, {QStringLiteral("revision"), 3}})
                     .object()
                     .value(QStringLiteral("code"))
                     .toString(),
            QStringLiteral("ITEM_DELETED"));
    }

    void movingAnItemLeavesOneBoardAndJoinsTheOther()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString target = createBoard(f.server, f.ann.accessToken, QStringLiteral("Later"));
        const QString item = newId();
        addItem(f.server, f.ann.accessToken, f.board, item, QStringLiteral("travels"));
        const DevServer::Reply moved = patchItem(f, f.ann.accessToken, item,
            {{QStringLiteral("boardId"), target}, {QStringLiteral("revision"), 1}});
        QCOMPARE(moved.status, 200);
        QCOMPARE(moved.object().value(QStringLiteral("revision")).toInteger(),
            boardRevision(f.server, f.ann.accessToken, target));

        QCOMPARE(ids(sync(f.server, f.ann.accessToken, f.board, 1)
                         .value(QStringLiteral("deletedItems"))
                         .toArray()),
            QStringList {item});
        QCOMPARE(
            recordIds(
                sync(f.server, f.ann.accessToken, target, 0).value(QStringLiteral("newItems")).toArray()),
            QStringList {item});
        // Bob is not a member of the target board, so he cannot move items there.
        const QString other = newId();
        addItem(f.server, f.bob.accessToken, f.board, other, QStringLiteral("stays"));
        const DevServer::Reply refused = patchItem(f, f.bob.accessToken, other,
            {{QStringLiteral("boardId"), target}, {QStringLiteral("revision"), 3}});
        QCOMPARE(refused.status, 403);
        QCOMPARE(refused.object().value(QStringLiteral("code")).toString(),
            QStringLiteral("TARGET_BOARD_ACCESS_DENIED"));
    }

    // A sync carries at most 1,000 pending items; a larger one is refused whole, before any is stored.
    void pendingItemsPerSyncAreLimited_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("status");
        QTest::newRow("at the limit") << 1000 << 200;
        QTest::newRow("one over") << 1001 << 413;
    }

    void pendingItemsPerSyncAreLimited()
    {
        QFETCH(int, count);
        QFETCH(int, status);
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        QJsonArray items;
        for (int i = 0; i < count; ++i)
            items.append(remoteItem(newId(), f.board, f.ann.userId, QStringLiteral("item %1").arg(i), 0));

        const DevServer::Reply reply
            = f.server.request("POST", QStringLiteral("/api/boards/%1/sync").arg(f.board),
                bytes({{QStringLiteral("checkpoint"), 0}, {QStringLiteral("items"), items}}),
                f.ann.accessToken, 60000);
        QCOMPARE(reply.status, status);
        const qint64 stored = status == 200 ? count : 0;
        QCOMPARE(boardRevision(f.server, f.ann.accessToken, f.board), stored);
        QCOMPARE(
            sync(f.server, f.bob.accessToken, f.board, 0).value(QStringLiteral("newItems")).toArray().size(),
            stored);
        if (status == 200)
            return;
        QCOMPARE(reply.object().value(QStringLiteral("code")).toString(), QStringLiteral("TOO_MANY_ITEMS"));
        QVERIFY(reply.object().value(QStringLiteral("message")).toString().contains(QStringLiteral("1000")));
    }

    void checkpointBeyondTheBoardStartsOver()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString item = newId();
        addItem(f.server, f.ann.accessToken, f.board, item, QStringLiteral("one"));
        const QJsonObject answer = sync(f.server, f.ann.accessToken, f.board, 99);
        QCOMPARE(recordIds(answer.value(QStringLiteral("newItems")).toArray()), QStringList {item});
        QCOMPARE(answer.value(QStringLiteral("latestCheckpoint")).toInteger(), 1);
    }

    void staleUpdateIsRefused()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        const QString item = newId();
        addItem(f.server, f.ann.accessToken, f.board, item, QStringLiteral("one"));
        QCOMPARE(patchItem(f, f.bob.accessToken, item,
                     {{QStringLiteral("order"), 4}, {QStringLiteral("revision"), 1}})
                     .status,
            200);
        const DevServer::Reply stale = patchItem(
            f, f.ann.accessToken, item, {{QStringLiteral("order"), 9}, {QStringLiteral("revision"), 1}});
        QCOMPARE(stale.status, 409);
        QCOMPARE(
            stale.object().value(QStringLiteral("code")).toString(), QStringLiteral("REVISION_CONFLICT"));
        QCOMPARE(
            findRecord(
                sync(f.server, f.ann.accessToken, f.board, 0).value(QStringLiteral("newItems")).toArray(),
                item)
                .value(QStringLiteral("order"))
                .toInteger(),
            4);
    }

    void itemWritesRefuseWhatCannotBeStored_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("code");
        QTest::newRow("301 characters")
            << "content" << QJsonValue(QString(301, QLatin1Char('a'))) << "CONTENT_TOO_LONG";
        // One user-perceived character, but thousands of code units to store and copy.
        QTest::newRow("a letter with 5,000 combining marks")
            << "content" << QJsonValue(QLatin1Char('a') + QString(5000, QChar(0x0301))) << "CONTENT_TOO_LONG";
        // PostgreSQL would cut the text short there.
        QTest::newRow("a NUL character") << "content" << QJsonValue(QStringLiteral("before\u0000after"))
                                         << "INVALID_TEXT";
        QTest::newRow("lower-case status")
            << "status" << QJsonValue(QStringLiteral("done")) << "INVALID_STATUS";
        QTest::newRow("fractional seconds")
            << "createdAt" << QJsonValue(QStringLiteral("2024-05-01T12:30:00.123Z")) << "INVALID_REQUEST";
        QTest::newRow("date without time")
            << "createdAt" << QJsonValue(QStringLiteral("2024-05-01")) << "INVALID_REQUEST";
        QTest::newRow("order as text") << "order" << QJsonValue(QStringLiteral("1")) << "INVALID_REQUEST";
        QTest::newRow("missing content")
            << "content" << QJsonValue(QJsonValue::Undefined) << "INVALID_REQUEST";
        QTest::newRow("assignee outside the board")
            << "assignee" << QJsonValue(QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"))
            << "ASSIGNEE_NOT_MEMBER";
        QTest::newRow("another board's id")
            << "boardId" << QJsonValue(QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"))
            << "INVALID_REQUEST";
    }

    void itemWritesRefuseWhatCannotBeStored()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, code);
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        QJsonObject body = itemBody(f.board, QStringLiteral("fine"));
        if (value.isUndefined())
            body.remove(key);
        else
            body.insert(key, value);
        const DevServer::Reply refused = f.server.request("POST",
            QStringLiteral("/api/boards/%1/items/%2").arg(f.board, newId()), bytes(body), f.ann.accessToken);
        QCOMPARE(refused.status, 400);
        QCOMPARE(refused.object().value(QStringLiteral("code")).toString(), code);
        QCOMPARE(boardRevision(f.server, f.ann.accessToken, f.board), 0);
    }

    void contentLimitCountsCharactersAsPeopleSeeThem()
    {
        SharedBoard f;
        QVERIFY2(f.isReady(), qPrintable(f.server.errorString()));
        // 300 family emoji: 300 characters on screen, far more UTF-16 units.
        QString family;
        for (int i = 0; i < 300; ++i)
            family += QStringLiteral("👨‍👩‍👧");
        const DevServer::Reply accepted
            = f.server.request("POST", QStringLiteral("/api/boards/%1/items/%2").arg(f.board, newId()),
                bytes(itemBody(f.board, family)), f.ann.accessToken);
        QCOMPARE(accepted.status, 200);
    }
};

QTEST_GUILESS_MAIN(SyncTest)
#include "SyncTest.moc"
