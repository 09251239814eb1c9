#include "StoreTestSupport.h"

#include "domain/Ids.h"
#include "domain/IsoDate.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContainer.h"

#include <QDir>
#include <QSet>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <linux/capability.h>
#include <memory>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// Root writes through any permission bits. The opening runs in a child process that gives up the
// capabilities which let it (a normal user has none to give up), so a read-only file or folder
// refuses it as it refuses the user; the size limit holds for everyone and stands for a full disk.
// The child hands back the message of a refused start, or nothing when the store opened.
std::optional<QString> openInRestrictedChild(const QString& dataFolder, const QString& bundleIdentifier,
    std::optional<rlim_t> fileSizeLimit)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        qFatal("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct caps[2] = {};
        if (::syscall(SYS_capget, &header, caps) == 0) {
            for (const int capability : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER })
                caps[0].effective &= ~(1u << capability);
            if (::syscall(SYS_capset, &header, caps) != 0)
                ::_exit(3);
        }
        if (fileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { *fileSizeLimit, *fileSizeLimit };
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(4);
        }
        const auto opened = StoreContainer::open(dataFolder, bundleIdentifier);
        const QByteArray message = opened ? QByteArray() : opened.error().message.toUtf8();
        [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], message.constData(), size_t(message.size()));
        ::_exit(opened ? 0 : 1);
    }
    ::close(pipeFds[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, got);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        qFatal("the opening child failed (status %d)", status);
    if (WEXITSTATUS(status) == 0)
        return std::nullopt;
    return QString::fromUtf8(message);
}
}

class LocalDataServiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    std::unique_ptr<StoreContext> m_context;

    std::unique_ptr<StoreContext> openStore(int busyTimeoutMs = 5000)
    {
        auto context = StoreContext::open(m_file, StoreContext::Options { busyTimeoutMs });
        if (!context)
            qFatal("%s", qPrintable(context.error().message));
        return std::move(*context);
    }

    // What a later run of the program would find in the file.
    std::unique_ptr<StoreContext> reopen() { return openStore(); }

    std::shared_ptr<LocalBoard> storeBoard(const Board& board, bool softDeleted = false)
    {
        auto record = m_context->insert(makeLocalBoard(board));
        if (softDeleted)
            record->setDeletedAt(at(QStringLiteral("2024-07-01T00:00:00Z")));
        return record;
    }

    std::shared_ptr<LocalItem> storeItem(const Item& item) { return m_context->insert(makeLocalItem(item)); }

    static QStringList names(const QList<Board>& boards)
    {
        QStringList result;
        for (const Board& board : boards)
            result << board.name;
        return result;
    }

    static RemoteItem remoteFor(const Item& item)
    {
        RemoteItem remote;
        remote.id = item.id;
        remote.content = item.content;
        remote.status = itemStatusText(item.status);
        remote.boardId = item.boardId;
        remote.createdAt = isoDateText(item.createdAt);
        remote.createdBy = item.createdBy;
        remote.order = item.order;
        remote.updatedAt = isoDateText(item.updatedAt);
        remote.revision = item.revision;
        return remote;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("%1.store").arg(QUuid::createUuid().toString(QUuid::Id128)));
        m_context = openStore();
    }

    void cleanup() { m_context.reset(); }

    void boardFetchesHideSoftDeletedAndLocalBoards()
    {
        storeBoard(sampleBoard(QStringLiteral("local"), false));
        storeBoard(sampleBoard(QStringLiteral("local, deleted"), false), true);
        storeBoard(sampleBoard(QStringLiteral("cloud"), true));
        storeBoard(sampleBoard(QStringLiteral("cloud, deleted"), true), true);
        QVERIFY(m_context->save());
        auto later = reopen();
        QCOMPARE(names(LocalDataService::fetchLocalBoards(*later).value()), QStringList({ "local", "cloud" }));
        QCOMPARE(names(LocalDataService::fetchLocalCloudBoards(*later).value()), QStringList({ "cloud" }));
    }

    void updateLocalBoardOverwritesButNeverInserts()
    {
        Board board = sampleBoard(QStringLiteral("before"), true);
        auto record = storeBoard(board, true);
        QVERIFY(m_context->save());

        board.name = QStringLiteral("after");
        board.info = QStringLiteral("about");
        board.isActive = false;
        board.revision = 9;
        QVERIFY(LocalDataService::updateLocalBoard(board, *m_context));

        const Board stranger = sampleBoard(QStringLiteral("never stored"), false);
        // The save of an update that finds nothing still writes what else is pending.
        storeBoard(sampleBoard(QStringLiteral("pending"), false));
        QVERIFY(LocalDataService::updateLocalBoard(stranger, *m_context));

        auto later = reopen();
        const auto boards = later->fetchBoards({}).value();
        QCOMPARE(boards.size(), 2);
        const auto updated = later->fetchBoards(BoardQuery::withId(board.id)).value().first();
        QCOMPARE(updated->name(), QStringLiteral("after"));
        QCOMPARE(updated->info(), std::optional<QString>(QStringLiteral("about")));
        QCOMPARE(updated->isActive(), false);
        QCOMPARE(updated->revision(), 9);
        QCOMPARE(updated->deletedAt(), record->deletedAt()); // soft deletion is not the board's to change
        QCOMPARE(later->countBoards(BoardQuery::withId(stranger.id)).value(), 0);
    }

    void deleteLocalBoard_data()
    {
        QTest::addColumn<bool>("boardStored");
        QTest::addColumn<int>("itemsLeftInFile");
        QTest::newRow("board with items: both go") << true << 0;
        QTest::newRow("no board record: item deletions are not saved") << false << 2;
    }

    void deleteLocalBoard()
    {
        QFETCH(bool, boardStored);
        QFETCH(int, itemsLeftInFile);
        const Board board = sampleBoard(QStringLiteral("doomed"), false);
        if (boardStored)
            storeBoard(board);
        storeItem(sampleItem(board.id, QStringLiteral("one")));
        storeItem(sampleItem(board.id, QStringLiteral("two")));
        const Board neighbour = sampleBoard(QStringLiteral("neighbour"), false);
        storeBoard(neighbour);
        storeItem(sampleItem(neighbour.id, QStringLiteral("stays")));
        QVERIFY(m_context->save());

        QVERIFY(LocalDataService::deleteLocalBoard(board.id, *m_context));
        QCOMPARE(m_context->countItems(ItemQuery::onBoard(board.id)).value(), 0);

        auto later = reopen();
        QCOMPARE(later->countItems(ItemQuery::onBoard(board.id)).value(), itemsLeftInFile);
        QCOMPARE(later->countBoards(BoardQuery::withId(board.id)).value(), 0);
        QCOMPARE(later->countItems(ItemQuery::onBoard(neighbour.id)).value(), 1);
        QCOMPARE(later->countBoards(BoardQuery::withId(neighbour.id)).value(), 1);
    }

    void fetchLocalItemsFiltersByRevisionNewestFirst()
    {
        const QUuid boardId = QUuid::createUuid();
        const QStringList updates { "2024-05-03T00:00:00Z", "2024-05-05T00:00:00Z", "2024-05-04T00:00:00Z",
            "2024-05-06T00:00:00Z" };
        for (qsizetype i = 0; i < updates.size(); ++i) {
            Item item = sampleItem(boardId, QStringLiteral("r%1").arg(i), i);
            item.updatedAt = at(updates[i]);
            if (i == 3)
                item.deletedAt = item.updatedAt; // tombstones are returned like any other item
            storeItem(item);
        }
        storeItem(sampleItem(QUuid::createUuid(), QStringLiteral("elsewhere"), 5));
        QVERIFY(m_context->save());

        auto later = reopen();
        const auto items = LocalDataService::fetchLocalItems(boardId, 1, *later).value();
        QStringList contents;
        for (const auto& item : items)
            contents << item->content();
        QCOMPARE(contents, QStringList({ "r3", "r1", "r2" }));
    }

    void updateLocalItemOverwritesButNeverInserts()
    {
        Item item = sampleItem(QUuid::createUuid(), QStringLiteral("before"));
        storeItem(item);
        QVERIFY(m_context->save());

        Item changed = item;
        changed.content = QStringLiteral("after");
        changed.status = ItemStatus::done;
        changed.boardId = QUuid::createUuid();
        changed.assignee = QUuid::createUuid();
        changed.order = 7;
        changed.createdAt = at(QStringLiteral("2030-01-01T00:00:00Z"));
        changed.archivedAt = at(QStringLiteral("2024-08-01T00:00:00Z"));
        changed.revision = 12;
        changed.didSync = true;
        QVERIFY(LocalDataService::updateLocalItem(changed, *m_context));
        const Item stranger = sampleItem(item.boardId, QStringLiteral("never stored"));
        QVERIFY(LocalDataService::updateLocalItem(stranger, *m_context));

        auto later = reopen();
        QVERIFY(!LocalDataService::fetchLocalItem(stranger.id, *later));
        const auto record = LocalDataService::fetchLocalItem(item.id, *later);
        QVERIFY(record);
        const Item stored = toItem(*record);
        QCOMPARE(stored.content, changed.content);
        QCOMPARE(stored.status, changed.status);
        QCOMPARE(stored.boardId, changed.boardId);
        QCOMPARE(stored.assignee, changed.assignee);
        QCOMPARE(stored.order, changed.order);
        QCOMPARE(stored.archivedAt, changed.archivedAt);
        QCOMPARE(stored.revision, changed.revision);
        QCOMPARE(stored.didSync, true);
        QCOMPARE(stored.createdAt, item.createdAt); // creation time is never rewritten
    }

    void deleteLocalItems()
    {
        const QUuid boardId = QUuid::createUuid();
        const auto a = storeItem(sampleItem(boardId, QStringLiteral("a")));
        const auto b = storeItem(sampleItem(boardId, QStringLiteral("b")));
        const auto c = storeItem(sampleItem(boardId, QStringLiteral("c")));
        QVERIFY(m_context->save());
        QVERIFY(LocalDataService::deleteLocalItem(a->id(), *m_context));
        QVERIFY(LocalDataService::deleteLocalItems({ b->id(), QUuid::createUuid(), b->id() }, *m_context));
        auto later = reopen();
        const auto left = later->fetchItems(ItemQuery::onBoard(boardId)).value();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first()->id(), c->id());
    }

    void markLocalItemsSynced()
    {
        const QUuid boardId = QUuid::createUuid();
        const QUuid otherBoard = QUuid::createUuid();
        storeItem(sampleItem(boardId, QStringLiteral("a")));
        storeItem(sampleItem(boardId, QStringLiteral("b")));
        storeItem(sampleItem(otherBoard, QStringLiteral("c")));
        QVERIFY(m_context->save());

        QVERIFY(LocalDataService::markLocalItemsSynced(QUuid::createUuid(), *m_context)); // no items: no error
        QVERIFY(LocalDataService::markLocalItemsSynced(boardId, *m_context));
        auto later = reopen();
        QCOMPARE(later->countItems(LocalDataService::unsyncedItemsQuery(boardId)).value(), 0);
        QCOMPARE(later->countItems(LocalDataService::unsyncedItemsQuery(otherBoard)).value(), 1);
    }

    // Items changed after they were sent stay pending, also when the save fails, so the failure
    // cannot mark them synced in the context for a later save to write.
    void markLocalItemsSyncedKeepsItemsChangedSince_data()
    {
        QTest::addColumn<bool>("saveFails");
        QTest::newRow("saved") << false;
        QTest::newRow("save fails") << true;
    }

    void markLocalItemsSyncedKeepsItemsChangedSince()
    {
        QFETCH(bool, saveFails);
        m_context = openStore(50);
        const QUuid boardId = QUuid::createUuid();
        const Item sent = sampleItem(boardId, QStringLiteral("sent"));
        const Item changed = sampleItem(boardId, QStringLiteral("changed since"));
        storeItem(sent);
        storeItem(changed);
        QVERIFY(m_context->save());

        std::unique_ptr<RawConnection> other;
        if (saveFails) {
            other = std::make_unique<RawConnection>(m_file);
            QVERIFY(other->execute(QStringLiteral("BEGIN IMMEDIATE")));
        }
        const auto marked = LocalDataService::markLocalItemsSynced(boardId, *m_context, {changed.id});
        QCOMPARE(bool(marked), !saveFails);
        QVERIFY(!LocalDataService::fetchLocalItem(changed.id, *m_context)->didSync());
        QVERIFY(LocalDataService::fetchLocalItem(sent.id, *m_context)->didSync());
        other.reset();
        QVERIFY(m_context->save());
        auto later = reopen();
        QCOMPARE(later->countItems(LocalDataService::unsyncedItemsQuery(boardId)).value(), 1);
        QVERIFY(!LocalDataService::fetchLocalItem(changed.id, *later)->didSync());
    }

    // What sign-out would remove unsent: pending items of cloud boards and of boards that are gone;
    // never a local board's items, which are always unsent.
    void unsentCloudItems()
    {
        const Board local = sampleBoard(QStringLiteral("local"), false);
        const Board cloud = sampleBoard(QStringLiteral("cloud"), true);
        storeBoard(local);
        storeBoard(cloud);
        storeItem(sampleItem(local.id, QStringLiteral("local, never sent")));
        Item synced = sampleItem(cloud.id, QStringLiteral("synced"));
        synced.didSync = true;
        storeItem(synced);
        const Item pending = sampleItem(cloud.id, QStringLiteral("pending"));
        storeItem(pending);
        Item tombstone = sampleItem(cloud.id, QStringLiteral("deleted here"));
        tombstone.deletedAt = QDateTime::currentDateTimeUtc();
        storeItem(tombstone);
        const Item orphan = sampleItem(QUuid::createUuid(), QStringLiteral("board gone"));
        storeItem(orphan);
        QVERIFY(m_context->save());

        const auto unsent = LocalDataService::fetchUnsentCloudItems(*m_context);
        QVERIFY(unsent);
        QSet<QUuid> ids;
        for (const auto& record : *unsent)
            ids.insert(record->id());
        QCOMPARE(ids, (QSet<QUuid> {pending.id, tombstone.id, orphan.id}));
    }

    void markLocalItemsSyncedChangesOnlyPendingItems_data()
    {
        QTest::addColumn<int>("synced");
        QTest::addColumn<int>("pendingSaved");
        QTest::addColumn<int>("pendingUnsaved");
        QTest::newRow("nothing pending") << 3 << 0 << 0;
        QTest::newRow("all pending, saved") << 0 << 3 << 0;
        QTest::newRow("mixed") << 4 << 2 << 0;
        QTest::newRow("pending only in memory") << 3 << 0 << 2;
        QTest::newRow("pending in the file and in memory") << 2 << 1 << 2;
        QTest::newRow("empty board") << 0 << 0 << 0;
    }

    void markLocalItemsSyncedChangesOnlyPendingItems()
    {
        QFETCH(int, synced);
        QFETCH(int, pendingSaved);
        QFETCH(int, pendingUnsaved);
        const QUuid boardId = QUuid::createUuid();
        const QUuid otherBoard = QUuid::createUuid();
        auto add = [this](const QUuid& board, bool didSync) {
            Item item = sampleItem(board, QStringLiteral("x"));
            item.didSync = didSync;
            return storeItem(item);
        };
        for (int i = 0; i < synced; ++i)
            add(boardId, true);
        for (int i = 0; i < pendingSaved; ++i)
            add(boardId, false);
        QList<std::shared_ptr<LocalItem>> laterPending;
        for (int i = 0; i < pendingUnsaved; ++i)
            laterPending.append(add(boardId, true));
        add(otherBoard, false);
        QVERIFY(m_context->save());
        // Edited here after the last save: pending in memory, synced in the file.
        for (const auto& record : std::as_const(laterPending))
            record->setDidSync(false);

        QSet<LocalItem*> changed;
        connect(m_context.get(), &StoreContext::itemChanged, this, [&changed](LocalItem* item) { changed.insert(item); });
        QVERIFY(LocalDataService::markLocalItemsSynced(boardId, *m_context));
        QCOMPARE(changed.size(), pendingSaved + pendingUnsaved);
        for (LocalItem* item : std::as_const(changed)) {
            QCOMPARE(item->boardId(), boardId);
            QVERIFY(item->didSync());
        }
        QVERIFY(!m_context->hasChanges());

        auto later = reopen();
        QCOMPARE(later->countItems(ItemQuery::onBoard(boardId)).value(), synced + pendingSaved + pendingUnsaved);
        QCOMPARE(later->countItems(LocalDataService::unsyncedItemsQuery(boardId)).value(), 0);
        QCOMPARE(later->countItems(LocalDataService::unsyncedItemsQuery(otherBoard)).value(), 1);
    }

    void markLocalItemsSyncedReportsAFailedSave()
    {
        m_context = openStore(50);
        const QUuid boardId = QUuid::createUuid();
        storeItem(sampleItem(boardId, QStringLiteral("a")));
        QVERIFY(m_context->save());
        RawConnection other(m_file);
        QVERIFY(other.execute(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(!LocalDataService::markLocalItemsSynced(boardId, *m_context));
        QVERIFY(other.execute(QStringLiteral("ROLLBACK")));
        // The change waits in the context and goes out with the next save.
        QVERIFY(m_context->save());
        QCOMPARE(other.count(QStringLiteral("local_item"), QStringLiteral("didSync = 1")), 1);
    }

    void operationsSwallowAFailedSaveAndKeepTheChange()
    {
        m_context = openStore(50);
        Item item = sampleItem(QUuid::createUuid(), QStringLiteral("before"));
        storeItem(item);
        QVERIFY(m_context->save());
        RawConnection other(m_file);
        QVERIFY(other.execute(QStringLiteral("BEGIN IMMEDIATE")));
        item.content = QStringLiteral("after");
        QVERIFY(LocalDataService::updateLocalItem(item, *m_context));
        QCOMPARE(LocalDataService::fetchLocalItem(item.id, *m_context)->content(), QStringLiteral("after"));
        QVERIFY(other.execute(QStringLiteral("ROLLBACK")));
        QVERIFY(LocalDataService::applyRemoteItems({}, *m_context)); // an empty apply still saves
        QCOMPARE(other.value(QStringLiteral("SELECT content FROM local_item")), QStringLiteral("after"));
    }

    void fetchFailuresReachTheCaller()
    {
        const Item item = sampleItem(QUuid::createUuid(), QStringLiteral("a"));
        storeItem(item);
        QVERIFY(m_context->save());
        RawConnection other(m_file);
        QVERIFY(other.execute(QStringLiteral("DROP TABLE local_item")));
        QVERIFY(!LocalDataService::fetchLocalItems(item.boardId, 0, *m_context));
        QVERIFY(!LocalDataService::deleteLocalBoard(item.boardId, *m_context));
        QVERIFY(!LocalDataService::updateLocalItem(item, *m_context));
        QVERIFY(!LocalDataService::applyRemoteItems({ remoteFor(sampleItem(item.boardId, QStringLiteral("b"))) },
            *m_context));
        QVERIFY(!LocalDataService::fetchLocalItem(QUuid::createUuid(), *m_context)); // a failure reads as none
        QVERIFY(!m_context->hasChanges());
    }

    void clearLocalCloudBoardsLeavesLocalBoards()
    {
        const Board local = sampleBoard(QStringLiteral("local"), false);
        const Board cloud = sampleBoard(QStringLiteral("cloud"), true);
        const Board archivedCloud = sampleBoard(QStringLiteral("cloud, deleted"), true);
        storeBoard(local);
        storeBoard(cloud);
        storeBoard(archivedCloud, true);
        storeItem(sampleItem(local.id, QStringLiteral("local item")));
        storeItem(sampleItem(cloud.id, QStringLiteral("cloud item"), 0));
        storeItem(sampleItem(cloud.id, QStringLiteral("cloud item"), 4));
        storeItem(sampleItem(archivedCloud.id, QStringLiteral("cloud item")));
        // Left behind by a board that vanished from the service: cloud data too.
        storeItem(sampleItem(QUuid::createUuid(), QStringLiteral("orphaned item")));
        QVERIFY(m_context->save());

        QVERIFY(LocalDataService::clearLocalCloudBoards(*m_context));
        auto later = reopen();
        QCOMPARE(names(LocalDataService::fetchLocalBoards(*later).value()), QStringList({ "local" }));
        QCOMPARE(later->countBoards({}).value(), 1);
        QCOMPARE(later->countItems({}).value(), 1);
        QCOMPARE(later->fetchItems({}).value().first()->boardId(), local.id);
    }

    // A failure goes back to the caller, which decides what the user sees; the store shows nothing.
    void clearLocalCloudBoardsReportsItsFailure()
    {
        m_context = openStore(50);
        storeBoard(sampleBoard(QStringLiteral("cloud"), true));
        QVERIFY(m_context->save());
        RawConnection other(m_file);
        QVERIFY(other.execute(QStringLiteral("BEGIN IMMEDIATE")));

        const LocalDataService::Result cleared = LocalDataService::clearLocalCloudBoards(*m_context);

        QVERIFY(!cleared);
        QVERIFY2(cleared.error().message.contains(QStringLiteral("locked")), qPrintable(cleared.error().message));
        QVERIFY(other.execute(QStringLiteral("ROLLBACK")));
        // Nothing was lost: the removal is still pending and the next save completes it.
        QVERIFY(m_context->save());
        QCOMPARE(reopen()->countBoards({}).value(), 0);
    }

    void toRemoteItemWritesWireText_data()
    {
        QTest::addColumn<bool>("withOptionals");
        QTest::newRow("deleted and archived") << true;
        QTest::newRow("live") << false;
    }

    void toRemoteItemWritesWireText()
    {
        QFETCH(bool, withOptionals);
        Item item = sampleItem(QUuid::createUuid(), QStringLiteral("text"), 8);
        item.status = ItemStatus::inProgress;
        if (withOptionals) {
            item.deletedAt = at(QStringLiteral("2024-06-01T08:00:00.700Z"));
            item.archivedAt = at(QStringLiteral("2024-06-02T09:00:00Z"));
        }
        const RemoteItem remote = LocalDataService::toRemoteItem(*makeLocalItem(item));
        QCOMPARE(remote.id, item.id);
        QCOMPARE(remote.status, QStringLiteral("IN_PROGRESS"));
        QCOMPARE(remote.createdAt, QStringLiteral("2024-05-01T10:00:00Z"));
        QCOMPARE(remote.updatedAt, QStringLiteral("2024-05-01T12:00:00Z"));
        QCOMPARE(remote.revision, 8);
        QCOMPARE(remote.deletedAt,
            withOptionals ? std::optional<QString>(QStringLiteral("2024-06-01T08:00:00Z")) : std::nullopt);
        QCOMPARE(remote.archivedAt,
            withOptionals ? std::optional<QString>(QStringLiteral("2024-06-02T09:00:00Z")) : std::nullopt);
    }

    void unsyncedItemsQueryIncludesTombstones()
    {
        const QUuid boardId = QUuid::createUuid();
        Item pending = sampleItem(boardId, QStringLiteral("pending"));
        Item tombstone = sampleItem(boardId, QStringLiteral("deleted offline"));
        tombstone.deletedAt = at(QStringLiteral("2024-06-01T00:00:00Z"));
        Item synced = sampleItem(boardId, QStringLiteral("synced"));
        synced.didSync = true;
        storeItem(pending);
        storeItem(synced);
        storeItem(sampleItem(QUuid::createUuid(), QStringLiteral("other board")));
        QVERIFY(m_context->save());
        storeItem(tombstone); // not saved yet: the query still sees it

        const auto items = m_context->fetchItems(LocalDataService::unsyncedItemsQuery(boardId)).value();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->id(), pending.id);
        QCOMPARE(items[1]->id(), tombstone.id);
    }

    void applyRemoteItemsOverwritesStoredItems_data()
    {
        QTest::addColumn<QString>("remoteStatus");
        QTest::addColumn<QString>("remoteUpdatedAt");
        QTest::addColumn<std::optional<QString>>("remoteArchivedAt");
        QTest::addColumn<ItemStatus>("status");
        QTest::addColumn<QDateTime>("updatedAt");
        QTest::addColumn<std::optional<QDateTime>>("archivedAt");

        const QDateTime stored = at(QStringLiteral("2024-05-01T12:00:00.125Z"));
        const QDateTime remote = at(QStringLiteral("2024-09-09T09:09:09Z"));
        const std::optional<QString> absent;
        QTest::newRow("service's values win") << "IN_PROGRESS" << "2024-09-09T09:09:09Z" << absent
                                              << ItemStatus::inProgress << remote << std::optional<QDateTime>();
        QTest::newRow("lower-case done is not a status") << "done" << "2024-09-09T09:09:09Z" << absent
                                                         << ItemStatus::todo << remote << std::optional<QDateTime>();
        QTest::newRow("unknown status") << "BLOCKED" << "2024-09-09T09:09:09Z" << absent << ItemStatus::todo << remote
                                        << std::optional<QDateTime>();
        QTest::newRow("unparseable update time keeps ours")
            << "DONE" << "yesterday" << absent << ItemStatus::done << stored << std::optional<QDateTime>();
        QTest::newRow("archive time from the service")
            << "DONE" << "2024-09-09T09:09:09Z" << std::optional<QString>(QStringLiteral("2024-09-01T00:00:00Z"))
            << ItemStatus::done << remote << std::optional<QDateTime>(at(QStringLiteral("2024-09-01T00:00:00Z")));
    }

    void applyRemoteItemsOverwritesStoredItems()
    {
        QFETCH(QString, remoteStatus);
        QFETCH(QString, remoteUpdatedAt);
        QFETCH(std::optional<QString>, remoteArchivedAt);
        QFETCH(ItemStatus, status);
        QFETCH(QDateTime, updatedAt);
        QFETCH(std::optional<QDateTime>, archivedAt);

        Item local = sampleItem(QUuid::createUuid(), QStringLiteral("ours"), 2);
        local.archivedAt = at(QStringLiteral("2024-05-20T00:00:00Z")); // cleared unless the service sends one
        local.deletedAt = at(QStringLiteral("2024-05-21T00:00:00Z"));
        local.didSync = false;
        storeItem(local);
        QVERIFY(m_context->save());

        RemoteItem remote = remoteFor(local);
        remote.content = QStringLiteral("theirs");
        remote.status = remoteStatus;
        remote.updatedAt = remoteUpdatedAt;
        remote.archivedAt = remoteArchivedAt;
        remote.boardId = QUuid::createUuid();
        remote.assignee = QUuid::createUuid();
        remote.author = QStringLiteral("Grace");
        remote.order = 11;
        remote.revision = 30;
        remote.createdAt = QStringLiteral("2030-01-01T00:00:00Z");
        remote.deletedAt = QStringLiteral("2030-01-01T00:00:00Z");
        QVERIFY(LocalDataService::applyRemoteItems({ remote }, *m_context));

        auto later = reopen();
        QCOMPARE(later->countItems({}).value(), 1);
        const Item stored = toItem(*LocalDataService::fetchLocalItem(local.id, *later));
        QCOMPARE(stored.content, QStringLiteral("theirs"));
        QCOMPARE(stored.status, status);
        QCOMPARE(stored.updatedAt, updatedAt);
        QCOMPARE(stored.archivedAt, archivedAt);
        QCOMPARE(stored.boardId, remote.boardId);
        QCOMPARE(stored.assignee, remote.assignee);
        QCOMPARE(stored.author, remote.author);
        QCOMPARE(stored.order, 11);
        QCOMPARE(stored.revision, 30);
        // Not the service's to change here.
        QCOMPARE(stored.createdAt, local.createdAt);
        QCOMPARE(stored.deletedAt, local.deletedAt);
        QCOMPARE(stored.didSync, false);
    }

    void applyRemoteItemsInsertsNewItemsOnce()
    {
        const QUuid boardId = QUuid::createUuid();
        RemoteItem first = remoteFor(sampleItem(boardId, QStringLiteral("first copy")));
        first.status = QStringLiteral("DONE");
        first.archivedAt = QStringLiteral("not a date");
        RemoteItem again = first;
        again.content = QStringLiteral("second copy");
        const RemoteItem other = remoteFor(sampleItem(boardId, QStringLiteral("other")));
        QVERIFY(LocalDataService::applyRemoteItems({ first, other, again }, *m_context));

        auto later = reopen();
        QCOMPARE(later->countItems(ItemQuery::onBoard(boardId)).value(), 2);
        const Item stored = toItem(*LocalDataService::fetchLocalItem(first.id, *later));
        QCOMPARE(stored.content, QStringLiteral("second copy"));
        QCOMPARE(stored.status, ItemStatus::done);
        QCOMPARE(stored.didSync, true); // the service's copy is synchronised by definition
        QCOMPARE(stored.archivedAt, std::nullopt);
        QCOMPARE(stored.createdAt, at(QStringLiteral("2024-05-01T10:00:00Z")));
    }

    void applyRemoteItemsHandsBackTheRecordOfEveryId()
    {
        const QUuid boardId = QUuid::createUuid();
        const Item stored = sampleItem(boardId, QStringLiteral("stored"));
        storeItem(stored);
        QVERIFY(m_context->save());
        RemoteItem overwrite = remoteFor(stored);
        overwrite.content = QStringLiteral("overwritten");
        RemoteItem fresh = remoteFor(sampleItem(boardId, QStringLiteral("fresh, first copy")));
        RemoteItem freshAgain = fresh;
        freshAgain.content = QStringLiteral("fresh, second copy");

        QHash<QUuid, std::shared_ptr<LocalItem>> applied;
        QVERIFY(LocalDataService::applyRemoteItems({ overwrite, fresh, freshAgain }, *m_context, &applied));
        QCOMPARE(applied.size(), 2);
        for (const QUuid& id : { stored.id, fresh.id }) {
            QVERIFY(applied.value(id));
            // The context's own record, not a copy.
            QCOMPARE(applied.value(id), LocalDataService::fetchLocalItem(id, *m_context));
        }
        QCOMPARE(applied.value(stored.id)->content(), QStringLiteral("overwritten"));
        QCOMPARE(applied.value(fresh.id)->content(), QStringLiteral("fresh, second copy"));

        // A second apply adds to what the first handed back and replaces the records it touches.
        const auto before = applied.value(stored.id);
        RemoteItem another = remoteFor(sampleItem(boardId, QStringLiteral("another")));
        overwrite.content = QStringLiteral("overwritten again");
        QVERIFY(LocalDataService::applyRemoteItems({ another, overwrite }, *m_context, &applied));
        QCOMPARE(applied.size(), 3);
        QCOMPARE(applied.value(stored.id), before); // one record per id
        QCOMPARE(applied.value(stored.id)->content(), QStringLiteral("overwritten again"));
        QCOMPARE(applied.value(another.id), LocalDataService::fetchLocalItem(another.id, *m_context));
    }

    // The one-item form the sync uses with records it looked up itself: it writes onto the record it
    // is given (or inserts one), and leaves the save to the caller.
    void applyRemoteItemWritesOntoTheGivenRecord_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::newRow("record looked up") << true;
        QTest::newRow("not stored") << false;
    }

    void applyRemoteItemWritesOntoTheGivenRecord()
    {
        QFETCH(bool, stored);
        const Item local = sampleItem(QUuid::createUuid(), QStringLiteral("ours"));
        std::shared_ptr<LocalItem> found;
        if (stored) {
            storeItem(local);
            QVERIFY(m_context->save());
            found = m_context->fetchItemsWithIds({ local.id })->value(local.id);
            QVERIFY(found);
        }
        RemoteItem remote = remoteFor(local);
        remote.content = QStringLiteral("theirs");
        remote.revision = 40;

        const auto record = LocalDataService::applyRemoteItem(remote, found, *m_context);
        QVERIFY(record);
        if (stored)
            QCOMPARE(record, found);
        QCOMPARE(record, LocalDataService::fetchLocalItem(local.id, *m_context));
        QCOMPARE(record->content(), QStringLiteral("theirs"));
        QCOMPARE(record->revision(), 40);
        QVERIFY(m_context->hasChanges());
        // Nothing reached the file yet.
        const auto before = reopen();
        QCOMPARE(before->countItems({}).value(), stored ? 1 : 0);
        if (stored)
            QCOMPARE(LocalDataService::fetchLocalItem(local.id, *before)->content(), QStringLiteral("ours"));
        QVERIFY(m_context->save());
        const auto later = reopen();
        QCOMPARE(LocalDataService::fetchLocalItem(local.id, *later)->content(), QStringLiteral("theirs"));
    }

    void containerLivesInTheBundleFolder()
    {
        const QString data = m_dir.filePath(QStringLiteral("data/share"));
        const auto context = StoreContainer::open(data, QStringLiteral("net.plenko.Test"));
        QVERIFY2(context, context ? "" : qPrintable(context.error().message));
        const QString expected = data + QStringLiteral("/net.plenko.Test/default.store");
        QCOMPARE((*context)->fileName(), expected);
        QVERIFY(QFile::exists(expected));
    }

    void containerDefaultsToTheUserDataFolder()
    {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const auto context = StoreContainer::open();
        QVERIFY2(context, context ? "" : qPrintable(context.error().message));
        QVERIFY((*context)->fileName().startsWith(data + QLatin1Char('/')));
        QVERIFY((*context)->fileName().endsWith(QStringLiteral("/default.store")));
        QVERIFY(QFile::exists((*context)->fileName()));
    }

    void containerFailureSaysWhy_data()
    {
        QTest::addColumn<QString>("bundleIdentifier");
        QTest::addColumn<bool>("folderBlocked");
        QTest::addColumn<QString>("ending");
        QTest::newRow("no bundle identifier") << "" << false << QString::fromLocal8Bit(std::strerror(ENOENT));
        QTest::newRow("folder cannot be created") << "net.plenko.Test" << true << "net.plenko.Test";
        QTest::newRow("store path taken by a folder") << "taken" << false << "/taken/default.store)";
    }

    void containerFailureSaysWhy()
    {
        QFETCH(QString, bundleIdentifier);
        QFETCH(bool, folderBlocked);
        QFETCH(QString, ending);
        QString data = m_dir.filePath(QUuid::createUuid().toString(QUuid::Id128));
        QVERIFY(QDir().mkpath(data));
        if (folderBlocked) {
            // A plain file where a folder should be: no permission bits involved, so it holds for root too.
            QFile blocker(data + QStringLiteral("/file"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            data = blocker.fileName();
        }
        if (bundleIdentifier == QLatin1String("taken"))
            QVERIFY(QDir().mkpath(data + QStringLiteral("/taken/default.store")));

        const auto context = StoreContainer::open(data, bundleIdentifier);
        QVERIFY(!context);
        const QString message = context.error().message;
        QVERIFY2(message.startsWith(QStringLiteral("Unable to set up ")), qPrintable(message));
        QVERIFY2(message.endsWith(ending), qPrintable(message));
    }

    // A store that opens but cannot keep a change would lose the whole session without a word, so
    // the start is refused; the file and what it holds stay as they were.
    void unwritableStoreIsRefused_data()
    {
        QTest::addColumn<QString>("blocked"); // "file", "folder", "size" or "" (the control)
        QTest::newRow("writable (control)") << "";
        QTest::newRow("read-only file") << "file";
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("no room to grow") << "size";
    }

    void unwritableStoreIsRefused()
    {
        QFETCH(QString, blocked);
        const QString data = m_dir.filePath(QUuid::createUuid().toString(QUuid::Id128));
        const QString bundle = QStringLiteral("net.plenko.Test");
        const QString file = StoreContainer::fileName(data, bundle);
        const Item kept = sampleItem(QUuid::createUuid(), QStringLiteral("kept across the refusal"));
        {
            auto context = StoreContainer::open(data, bundle);
            QVERIFY2(context, context ? "" : qPrintable(context.error().message));
            (*context)->insert(makeLocalItem(kept));
            QVERIFY((*context)->save());
        }
        QVERIFY(!QFile::exists(file + QStringLiteral("-wal")));
        const QFileInfo folder(QFileInfo(file).path());
        const auto folderPermissions = folder.permissions();
        const auto filePermissions = QFile::permissions(file);
        const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadUser | QFileDevice::ReadGroup
            | QFileDevice::ReadOther;
        std::optional<rlim_t> sizeLimit;
        if (blocked == QLatin1String("file"))
            QVERIFY(QFile::setPermissions(file, readOnly));
        if (blocked == QLatin1String("folder"))
            QVERIFY(QFile::setPermissions(folder.filePath(), readOnly | QFileDevice::ExeOwner));
        // Nothing may grow past the first byte: neither the log nor its index fit.
        if (blocked == QLatin1String("size"))
            sizeLimit = rlim_t(1);

        const std::optional<QString> refusal = openInRestrictedChild(data, bundle, sizeLimit);
        QVERIFY(QFile::setPermissions(folder.filePath(), folderPermissions));
        QVERIFY(QFile::setPermissions(file, filePermissions));

        if (blocked.isEmpty()) {
            QVERIFY2(!refusal, qPrintable(refusal.value_or(QString())));
        } else {
            QVERIFY2(refusal, "an unwritable store opened");
            QVERIFY2(refusal->startsWith(QStringLiteral("Unable to set up the local store: ")), qPrintable(*refusal));
            QVERIFY2(refusal->contains(QStringLiteral("default.store")), qPrintable(*refusal));
        }
        m_file = file;
        auto reopened = openStore();
        const std::shared_ptr<LocalItem> stored = LocalDataService::fetchLocalItem(kept.id, *reopened);
        QVERIFY(stored);
        QCOMPARE(stored->content(), kept.content);
    }
};

QTEST_GUILESS_MAIN(LocalDataServiceTest)
#include "LocalDataServiceTest.moc"
