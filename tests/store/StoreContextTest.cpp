#include "PowerLossVfs.h"
#include "StoreTestSupport.h"

#include "domain/Ids.h"
#include "store/ConflictCopyStore.h"
#include "store/LocalRecordConversions.h"
#include "store/PendingBoardInfoStore.h"
#include "store/SavedBoardItems.h"
#include "store/StoreContext.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>

#include <array>
#include <memory>

namespace {
QString idCondition(const QUuid& id)
{
    return QStringLiteral("id = '%1'").arg(uuidText(id));
}
}

class StoreContextTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

    std::unique_ptr<StoreContext> openStore(int busyTimeoutMs = 5000)
    {
        auto context = StoreContext::open(m_file, StoreContext::Options { busyTimeoutMs });
        if (!context)
            qFatal("%s", qPrintable(context.error().message));
        return std::move(*context);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("%1.store").arg(QUuid::createUuid().toString(QUuid::Id128)));
    }

    void newFileGetsSchemaAndDurableJournal()
    {
        auto context = openStore();
        RawConnection raw(m_file);
        QCOMPARE(raw.value(QStringLiteral("PRAGMA user_version")), QStringLiteral("5"));
        QCOMPARE(raw.value(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("wal"));
        QCOMPARE(raw.count(QStringLiteral("sqlite_master"), QStringLiteral("name = 'local_item_board'")), 1);
    }

    void newerSchemaIsRefused()
    {
        openStore();
        {
            RawConnection raw(m_file);
            QVERIFY(raw.execute(QStringLiteral("PRAGMA user_version = 7")));
        }
        const auto context = StoreContext::open(m_file);
        QVERIFY(!context);
        QVERIFY2(context.error().message.contains(QStringLiteral("newer version")), qPrintable(context.error().message));
    }

    // A file written before conflict copies existed gets their tables on opening and keeps its
    // records; copies and pending descriptions then survive reopening with every attribute.
    void olderFileIsMigratedAndConflictCopiesSurviveReopening()
    {
        const Board board = sampleBoard(QStringLiteral("Plans"), true);
        const Item item = sampleItem(board.id, QStringLiteral("Kept from before"), 3);
        {
            auto context = openStore();
            context->insert(makeLocalBoard(board));
            context->insert(makeLocalItem(item));
            QVERIFY(context->save());
        }
        {
            RawConnection raw(m_file);
            QVERIFY(
                raw.execute(QStringLiteral("DROP TABLE conflict_copy; DROP TABLE pending_board_info; "
                                           "DROP TRIGGER item_tally_insert; DROP TRIGGER item_tally_delete; "
                                           "DROP TRIGGER item_tally_update; DROP TABLE item_tally; "
                                           "DROP INDEX local_item_column; DROP TABLE trashed_item; PRAGMA user_version = 1;")));
        }
        Item mine = item;
        mine.content = QStringLiteral("My **version**\nwith two lines");
        mine.status = ItemStatus::inProgress;
        mine.assignee = QUuid::createUuid();
        mine.order = 7;
        const ConflictCopy copy = ConflictCopy::of(mine, ConflictReason::boardRevoked, QStringLiteral("Plans"));
        {
            auto context = openStore();
            QCOMPARE(RawConnection(m_file).value(QStringLiteral("PRAGMA user_version")), QStringLiteral("5"));
            QCOMPARE(RawConnection(m_file).value(
                         QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'local_item_column'")),
                QStringLiteral("1"));
            QCOMPARE(context->countItems(ItemQuery::withId(item.id)).value_or(-1), 1);
            QVERIFY(ConflictCopyStore::insert(copy, *context));
            QVERIFY(PendingBoardInfoStore::set(board.id, QStringLiteral("Notes"), *context));
        }
        auto context = openStore();
        const auto copies = ConflictCopyStore::fetchAll(*context);
        QVERIFY(copies);
        QCOMPARE(copies->size(), 1);
        const ConflictCopy& read = copies->first();
        QCOMPARE(read.id, copy.id);
        QCOMPARE(read.itemId, item.id);
        QCOMPARE(read.boardId, board.id);
        QCOMPARE(read.boardName, QStringLiteral("Plans"));
        QCOMPARE(read.content, mine.content);
        QCOMPARE(read.status, ItemStatus::inProgress);
        QCOMPARE(read.assignee, mine.assignee);
        QCOMPARE(read.createdBy, mine.createdBy);
        QCOMPARE(read.order, qint64(7));
        QCOMPARE(read.savedAt.toMSecsSinceEpoch(), copy.savedAt.toMSecsSinceEpoch());
        QCOMPARE(read.reason, ConflictReason::boardRevoked);
        QCOMPARE(PendingBoardInfoStore::get(board.id, *context), std::optional(QStringLiteral("Notes")));
        QVERIFY(ConflictCopyStore::remove(copy.id, *context));
        QVERIFY(PendingBoardInfoStore::remove(board.id, *context));
        QVERIFY(ConflictCopyStore::fetchAll(*context)->isEmpty());
        QVERIFY(!PendingBoardInfoStore::get(board.id, *context));
    }

    void everyAttributeSurvivesReopening_data()
    {
        QTest::addColumn<bool>("withOptionals");
        QTest::newRow("optional attributes present") << true;
        QTest::newRow("optional attributes absent") << false;
    }

    void everyAttributeSurvivesReopening()
    {
        QFETCH(bool, withOptionals);
        Board board = sampleBoard(QStringLiteral("Ünïcode board ✓"), true);
        Item item = sampleItem(board.id, QStringLiteral("**bold** with 'quotes' and ✓"), 42);
        item.status = ItemStatus::done;
        item.order = -5;
        item.didSync = true;
        if (withOptionals) {
            board.info = QString(); // present but empty is not the same as absent
            board.isActive = false;
            item.assignee = QUuid::createUuid();
            item.author = QStringLiteral("Ada");
            item.deletedAt = at(QStringLiteral("2024-06-01T00:00:00.999Z"));
            item.archivedAt = at(QStringLiteral("2024-06-02T00:00:00Z"));
        }
        {
            auto context = openStore();
            context->insert(makeLocalBoard(board));
            context->insert(makeLocalItem(item));
            QVERIFY(context->save());
        }
        auto context = openStore();
        const auto boards = context->fetchBoards({});
        const auto items = context->fetchItems({});
        QVERIFY(boards && items);
        QCOMPARE(boards->size(), 1);
        QCOMPARE(items->size(), 1);
        const Board readBoard = toBoard(*boards->first());
        QCOMPARE(readBoard.id, board.id);
        QCOMPARE(readBoard.name, board.name);
        QCOMPARE(readBoard.createdAt, board.createdAt);
        QCOMPARE(readBoard.updatedAt, board.updatedAt);
        QCOMPARE(readBoard.syncWithServer, board.syncWithServer);
        QCOMPARE(readBoard.createdBy, board.createdBy);
        QCOMPARE(readBoard.info, board.info);
        QCOMPARE(readBoard.isActive, board.isActive);
        QCOMPARE(readBoard.revision, board.revision);
        const Item readItem = toItem(*items->first());
        QCOMPARE(readItem.id, item.id);
        QCOMPARE(readItem.content, item.content);
        QCOMPARE(readItem.status, item.status);
        QCOMPARE(readItem.order, item.order);
        QCOMPARE(readItem.boardId, item.boardId);
        QCOMPARE(readItem.createdBy, item.createdBy);
        QCOMPARE(readItem.assignee, item.assignee);
        QCOMPARE(readItem.author, item.author);
        QCOMPARE(readItem.createdAt, item.createdAt);
        QCOMPARE(readItem.updatedAt, item.updatedAt);
        QCOMPARE(readItem.deletedAt, item.deletedAt);
        QCOMPARE(readItem.archivedAt, item.archivedAt);
        QCOMPARE(readItem.revision, item.revision);
        QCOMPARE(readItem.didSync, item.didSync);
    }

    void fetchesSeeUnsavedChanges()
    {
        auto context = openStore();
        const QUuid boardA = QUuid::createUuid();
        const QUuid boardB = QUuid::createUuid();
        auto saved = context->insert(makeLocalItem(sampleItem(boardA, QStringLiteral("saved"))));
        auto other = context->insert(makeLocalItem(sampleItem(boardA, QStringLiteral("other"))));
        QVERIFY(context->save());

        auto unsaved = context->insert(makeLocalItem(sampleItem(boardA, QStringLiteral("unsaved"))));
        saved->setBoardId(boardB);
        context->remove(other);

        const auto onA = context->fetchItems(ItemQuery::onBoard(boardA));
        const auto onB = context->fetchItems(ItemQuery::onBoard(boardB));
        QVERIFY(onA && onB);
        QCOMPARE(onA->size(), 1);
        QCOMPARE(onA->first(), unsaved);
        QCOMPARE(onB->size(), 1);
        QCOMPARE(onB->first(), saved);
        QCOMPARE(context->countItems(ItemQuery::withId(other->id())).value_or(-1), 0);

        // Nothing of it is in the file yet.
        RawConnection raw(m_file);
        QCOMPARE(raw.count(QStringLiteral("local_item"), QStringLiteral("boardId = '%1'").arg(uuidText(boardA))), 2);
    }

    // The per-board tallies come from a table the store keeps by triggers: they must agree with the
    // items through inserts, status and board changes, tombstones, row deletions, a second writer,
    // and unsaved changes of the context.
    void itemTalliesFollowEveryWrite()
    {
        auto context = openStore();
        const QUuid boardA = QUuid::createUuid();
        const QUuid boardB = QUuid::createUuid();
        using LocalItems = QList<std::shared_ptr<LocalItem>>;
        auto counted = [&](const QUuid& boardId) {
            OverallBoardProgress expected;
            const auto items = context->fetchItems(ItemQuery::onBoard(boardId)).value_or(LocalItems {});
            for (const auto& item : items) {
                if (item->deletedAt())
                    continue;
                ++expected.total;
                if (item->status() == ItemStatus::todo)
                    ++expected.todo;
                else if (item->status() == ItemStatus::inProgress)
                    ++expected.inProgress;
                else
                    ++expected.done;
            }
            return expected;
        };
        auto check = [&](const char* step) {
            const auto tallies = context->fetchItemTallies();
            QVERIFY2(tallies, step);
            for (const QUuid& board : {boardA, boardB})
                QVERIFY2(tallies->value(board) == counted(board), step);
        };

        QList<std::shared_ptr<LocalItem>> items;
        for (ItemStatus status :
            {ItemStatus::todo, ItemStatus::todo, ItemStatus::inProgress, ItemStatus::done}) {
            Item item = sampleItem(boardA, QStringLiteral("item"));
            item.status = status;
            items.append(context->insert(makeLocalItem(item)));
        }
        Item archived = sampleItem(boardB, QStringLiteral("archived"));
        archived.archivedAt = archived.updatedAt;
        items.append(context->insert(makeLocalItem(archived)));
        QVERIFY(context->save());
        check("inserted");
        QCOMPARE(context->fetchItemTallies()->value(boardA), (OverallBoardProgress {4, 1, 1, 2}));
        QCOMPARE(context->fetchItemTallies()->value(boardB).total, 1);

        items[0]->setStatus(ItemStatus::done);
        items[1]->setBoardId(boardB);
        items[2]->setDeletedAt(items[2]->updatedAt());
        context->remove(items[3]);
        check("unsaved changes");
        QVERIFY(context->save());
        check("saved changes");
        items[2]->setDeletedAt(std::nullopt);
        QVERIFY(context->save());
        check("tombstone lifted");

        // Another writer of the file, and an upsert of a row that exists.
        {
            RawConnection raw(m_file);
            QVERIFY(raw.execute(QStringLiteral("UPDATE local_item SET status = 'TODO' WHERE %1")
                                    .arg(idCondition(items[0]->id()))));
        }
        context.reset();
        context = openStore();
        check("second writer");
        Item again = sampleItem(boardB, QStringLiteral("moved back"));
        again.id = items[1]->id();
        again.boardId = boardA;
        again.status = ItemStatus::done;
        context->insert(makeLocalItem(again));
        QVERIFY(context->save());
        check("upsert");
        QCOMPARE(context->fetchItemTallies()->value(boardA), (OverallBoardProgress {3, 1, 1, 1}));
    }

    // Items go to the file several to a statement. Each item must land in its own row with its own
    // values, around the statement's size and with deletions between the rows, and the tallies
    // must count every row of a statement.
    void manyItemsInOneSaveKeepTheirOwnValues_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("deleteEvery"); // of the items saved before; 0 deletes none
        QTest::newRow("one short of a full statement") << 31 << 0;
        QTest::newRow("one full statement") << 32 << 0;
        QTest::newRow("one more than a statement") << 33 << 0;
        QTest::newRow("several statements, new rows among saved ones") << 150 << 0;
        QTest::newRow("deletions between the rows") << 150 << 20;
    }

    void manyItemsInOneSaveKeepTheirOwnValues()
    {
        QFETCH(int, count);
        QFETCH(int, deleteEvery);
        const QUuid boardId = QUuid::createUuid();
        const auto fill = [](Item& item, int index, const QString& content) {
            item.content = content;
            item.status = std::array {ItemStatus::todo, ItemStatus::inProgress, ItemStatus::done}[index % 3];
            item.order = index * 10;
            item.revision = index;
            item.assignee = index % 2 ? std::optional(QUuid::createUuid()) : std::nullopt;
            item.archivedAt = index % 4 == 0 ? std::optional(item.updatedAt.addSecs(index)) : std::nullopt;
        };

        // Every item with an even index is saved first, then changed or deleted in the same save
        // that inserts the odd ones, so that the pending list mixes rows in the file with new ones.
        QHash<QUuid, Item> expected;
        QSet<QUuid> deleted;
        {
            auto context = openStore();
            QList<std::shared_ptr<LocalItem>> saved;
            for (int index = 0; index < count; index += 2) {
                Item item = sampleItem(boardId, QString());
                fill(item, index, QStringLiteral("first %1").arg(index));
                saved.append(context->insert(makeLocalItem(item)));
            }
            QVERIFY(context->save());
            for (int index = 0; index < count; ++index) {
                if (index % 2 == 0) {
                    const auto& record = saved[index / 2];
                    if (deleteEvery && (index / 2) % deleteEvery == 0) {
                        deleted.insert(record->id());
                        context->remove(record);
                        continue;
                    }
                    Item item = toItem(*record);
                    fill(item, index + 1, QStringLiteral("edited %1").arg(index));
                    context->insert(makeLocalItem(item));
                    expected.insert(item.id, item);
                } else {
                    Item item = sampleItem(boardId, QString());
                    fill(item, index, QStringLiteral("new %1").arg(index));
                    context->insert(makeLocalItem(item));
                    expected.insert(item.id, item);
                }
            }
            QVERIFY(context->save());
        }

        auto context = openStore();
        const auto items = context->fetchItems(ItemQuery::onBoard(boardId));
        QVERIFY(items);
        QCOMPARE(items->size(), expected.size());
        OverallBoardProgress counted;
        for (const auto& record : *items) {
            const Item read = toItem(*record);
            QVERIFY2(expected.contains(read.id), qPrintable(read.content));
            const Item& want = expected[read.id];
            QCOMPARE(read.content, want.content);
            QCOMPARE(read.status, want.status);
            QCOMPARE(read.order, want.order);
            QCOMPARE(read.revision, want.revision);
            QCOMPARE(read.assignee, want.assignee);
            QCOMPARE(read.archivedAt, want.archivedAt);
            ++counted.total;
            ++(read.status == ItemStatus::todo ? counted.todo
                   : read.status == ItemStatus::inProgress ? counted.inProgress : counted.done);
        }
        for (const QUuid& id : std::as_const(deleted))
            QCOMPARE(context->countItems(ItemQuery::withId(id)).value_or(-1), 0);
        QCOMPARE(context->fetchItemTallies().value_or(QHash<QUuid, OverallBoardProgress> {}).value(boardId), counted);
    }

    void fetchingTwiceGivesTheSameRecord()
    {
        const Item item = sampleItem(QUuid::createUuid(), QStringLiteral("one"));
        {
            auto context = openStore();
            context->insert(makeLocalItem(item));
            QVERIFY(context->save());
        }
        auto context = openStore();
        const auto first = context->fetchItems(ItemQuery::withId(item.id));
        const auto second = context->fetchItems(ItemQuery::onBoard(item.boardId));
        QVERIFY(first && second);
        QCOMPARE(first->first().get(), second->first().get());
    }

    void secondInsertWithTheSameIdNeverDuplicates_data()
    {
        QTest::addColumn<QString>("firstState");
        QTest::newRow("first saved by this context") << QStringLiteral("saved");
        QTest::newRow("first saved by an earlier run, never fetched") << QStringLiteral("saved elsewhere");
        QTest::newRow("first not saved yet") << QStringLiteral("pending");
        QTest::newRow("first deleted, deletion not saved") << QStringLiteral("deleted");
    }

    void secondInsertWithTheSameIdNeverDuplicates()
    {
        QFETCH(QString, firstState);
        Item item = sampleItem(QUuid::createUuid(), QStringLiteral("first"));
        if (firstState == QLatin1String("saved elsewhere")) {
            auto earlier = openStore();
            earlier->insert(makeLocalItem(item));
            QVERIFY(earlier->save());
        }
        auto context = openStore();
        std::shared_ptr<LocalItem> first;
        if (firstState != QLatin1String("saved elsewhere")) {
            first = context->insert(makeLocalItem(item));
            if (firstState != QLatin1String("pending"))
                QVERIFY(context->save());
            if (firstState == QLatin1String("deleted"))
                context->remove(first);
        }

        item.content = QStringLiteral("second");
        const auto kept = context->insert(makeLocalItem(item));
        if (first)
            QCOMPARE(kept, first);
        QCOMPARE(context->countItems(ItemQuery::withId(item.id)).value_or(-1), 1);
        QVERIFY(context->save());

        RawConnection raw(m_file);
        QCOMPARE(raw.count(QStringLiteral("local_item"), idCondition(item.id)), 1);
        QCOMPARE(raw.value(QStringLiteral("SELECT content FROM local_item WHERE %1").arg(idCondition(item.id))),
            QStringLiteral("second"));
    }

    void failedSaveKeepsEveryChangeForTheNextSave_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("another connection holds the write lock") << QStringLiteral("lock");
        QTest::newRow("the database rejects one row mid-save") << QStringLiteral("trigger");
    }

    void failedSaveKeepsEveryChangeForTheNextSave()
    {
        QFETCH(QString, obstacle);
        auto context = openStore(50);
        const QUuid boardId = QUuid::createUuid();
        auto kept = context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("kept"))));
        auto doomed = context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("doomed"))));
        QVERIFY(context->save());

        // One update, one insert, one deletion, and a row the trigger refuses in the middle.
        kept->setContent(QStringLiteral("kept, edited"));
        context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("poison"))));
        context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("new"))));
        context->remove(doomed);

        RawConnection other(m_file);
        if (obstacle == QLatin1String("lock")) {
            QVERIFY(other.execute(QStringLiteral("BEGIN IMMEDIATE")));
        } else {
            QVERIFY(other.execute(QStringLiteral(
                "CREATE TRIGGER refuse BEFORE INSERT ON local_item WHEN NEW.content = 'poison' "
                "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")));
        }

        const auto failed = context->save();
        QVERIFY(!failed);
        QVERIFY(!failed.error().message.isEmpty());
        QVERIFY(context->hasChanges());
        const auto seen = context->fetchItems(ItemQuery::onBoard(boardId));
        QVERIFY(seen);
        QCOMPARE(seen->size(), 3);

        if (obstacle == QLatin1String("lock")) {
            QVERIFY(other.execute(QStringLiteral("ROLLBACK")));
        } else {
            // Rows written before the refused one were rolled back with it.
            QCOMPARE(other.count(QStringLiteral("local_item"), QStringLiteral("content = 'kept, edited'")), 0);
            QCOMPARE(other.count(QStringLiteral("local_item")), 2);
            QVERIFY(other.execute(QStringLiteral("DROP TRIGGER refuse")));
        }

        QVERIFY(context->save());
        QVERIFY(!context->hasChanges());
        QCOMPARE(other.count(QStringLiteral("local_item")), 3);
        QCOMPARE(other.count(QStringLiteral("local_item"), QStringLiteral("content = 'kept, edited'")), 1);
        QCOMPARE(other.count(QStringLiteral("local_item"), idCondition(doomed->id())), 0);
    }

    void idsAreWrittenInCanonicalFormAndReadInAnyForm_data()
    {
        QTest::addColumn<QString>("written"); // the item's id as another program put it in the file
        QTest::addColumn<QUuid>("read");
        const QUuid id = QUuid::fromString(QStringLiteral("0a1b2c3d-4e5f-6789-abcd-ef0123456789"));
        QTest::newRow("canonical") << "0A1B2C3D-4E5F-6789-ABCD-EF0123456789" << id;
        QTest::newRow("lower case") << "0a1b2c3d-4e5f-6789-abcd-ef0123456789" << id;
        QTest::newRow("braces") << "{0A1B2C3D-4E5F-6789-ABCD-EF0123456789}" << id;
        QTest::newRow("not an id") << "item-7" << QUuid();
        QTest::newRow("not ASCII") << QStringLiteral("0A1B2C3D-4E5F-6789-ABCD-EF012345678\u00E9") << QUuid();
    }

    void idsAreWrittenInCanonicalFormAndReadInAnyForm()
    {
        QFETCH(QString, written);
        QFETCH(QUuid, read);
        const QUuid boardId = QUuid::createUuid();
        {
            // Our own writes use the canonical form for every id column.
            auto context = openStore();
            const Item mine = sampleItem(boardId, QStringLiteral("mine"));
            context->insert(makeLocalItem(mine));
            QVERIFY(context->save());
            RawConnection other(m_file);
            QCOMPARE(other.value(QStringLiteral("SELECT id FROM local_item")), uuidText(mine.id));
            QCOMPARE(other.value(QStringLiteral("SELECT boardId FROM local_item")), uuidText(boardId));
            QCOMPARE(other.value(QStringLiteral("SELECT createdBy FROM local_item")), uuidText(mine.createdBy));
            QVERIFY(other.execute(QStringLiteral("UPDATE local_item SET id = '%1'").arg(written)));
        }
        auto context = openStore();
        const auto items = context->fetchItems(ItemQuery::onBoard(boardId));
        QVERIFY(items);
        QCOMPARE(items->size(), 1);
        QCOMPARE(items->first()->id(), read);
    }

    void rowRemovedBehindTheContextIsWrittenAgain()
    {
        auto context = openStore();
        auto item = context->insert(makeLocalItem(sampleItem(QUuid::createUuid(), QStringLiteral("mine"))));
        QVERIFY(context->save());
        RawConnection other(m_file);
        QVERIFY(other.execute(QStringLiteral("DELETE FROM local_item")));
        item->setContent(QStringLiteral("edited"));
        QVERIFY(context->save());
        QCOMPARE(other.count(QStringLiteral("local_item"), QStringLiteral("content = 'edited'")), 1);
    }

    void fetchFailureIsReported()
    {
        auto context = openStore();
        RawConnection other(m_file);
        QVERIFY(other.execute(QStringLiteral("DROP TABLE local_item")));
        const auto items = context->fetchItems(ItemQuery::onBoard(QUuid::createUuid()));
        QVERIFY(!items);
        QVERIFY2(items.error().message.contains(QStringLiteral("local_item")), qPrintable(items.error().message));
    }

    // A page of the file damaged behind the store: a read that reaches it in the middle of its rows
    // says what it was doing and why, and its statement is reset for the next read (one left failed
    // would refuse the next bindings and run the old ones again).
    void damagedPageMidReadIsReported()
    {
        Board board = sampleBoard(QStringLiteral("Plans"), false);
        {
            auto context = openStore();
            context->insert(makeLocalBoard(board));
            for (int i = 0; i < 300; ++i)
                context->insert(makeLocalItem(sampleItem(board.id, QStringLiteral("item %1 ").arg(i).repeated(20))));
            QVERIFY(context->save());
        }
        qint64 page = 0;
        qint64 pageSize = 0;
        {
            RawConnection raw(m_file);
            QVERIFY(raw.execute(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
            page = raw.value(QStringLiteral("SELECT pageno FROM dbstat WHERE name = 'local_item' "
                                            "AND pagetype = 'leaf' ORDER BY pageno LIMIT 1 OFFSET 3"))
                       .toLongLong();
            pageSize = raw.value(QStringLiteral("PRAGMA page_size")).toLongLong();
        }
        QVERIFY(page > 1);
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek((page - 1) * pageSize));
        QCOMPARE(file.write(QByteArray(pageSize, '\xff')), pageSize);
        file.close();

        auto context = openStore();
        const auto items = context->fetchItems(ItemQuery::onBoard(board.id));
        QVERIFY(!items);
        QVERIFY2(items.error().message.startsWith(QStringLiteral("Could not fetch items: "))
                && items.error().message.size() > QStringLiteral("Could not fetch items: ").size(),
            qPrintable(items.error().message));
        const auto otherBoardsItems = context->fetchItems(ItemQuery::onBoard(QUuid::createUuid()));
        QVERIFY2(otherBoardsItems, qPrintable(otherBoardsItems ? QString() : otherBoardsItems.error().message));
        QVERIFY(otherBoardsItems->isEmpty());
        const auto apart = readSavedBoardItems(m_file, board.id);
        QVERIFY(!apart);
        QVERIFY2(apart.error().message.startsWith(QStringLiteral("Could not read a board's items: ")),
            qPrintable(apart.error().message));
        const auto boards = context->fetchBoards(BoardQuery::withId(board.id));
        QVERIFY(boards);
        QCOMPARE(boards->size(), 1);
    }

    // The first page is read from saved rows, and a read apart sees the file: neither may pass off
    // what they cannot see as the board.
    void firstPageAndReadsApartSayWhatTheyCannotSee()
    {
        auto context = openStore();
        const Board board = sampleBoard(QStringLiteral("Plans"), false);
        context->insert(makeLocalBoard(board));
        context->insert(makeLocalItem(sampleItem(board.id, QStringLiteral("Saved"), 1)));
        QVERIFY(context->save());
        context->insert(makeLocalItem(sampleItem(board.id, QStringLiteral("Not saved yet"), 2)));

        QVERIFY(!context->fetchFirstPage(board.id, 10));
        const auto apart = readSavedBoardItems(m_file, board.id);
        QVERIFY(apart);
        QCOMPARE(apart->size(), 1);
        QCOMPARE(apart->first().content, QStringLiteral("Saved"));
        QVERIFY(context->save());
        const auto page = context->fetchFirstPage(board.id, 10);
        QVERIFY(page);
        QCOMPARE(page->items.size(), 2);
        QCOMPARE(page->counts.liveIn(ItemStatus::inProgress), 2);

        const QString missing = m_file + QStringLiteral(".missing");
        const auto none = readSavedBoardItems(missing, board.id);
        QVERIFY(!none);
        QVERIFY2(none.error().message.contains(missing), qPrintable(none.error().message));
    }

    void changesAreAnnounced()
    {
        auto context = openStore();
        QSignalSpy itemChanges(context.get(), &StoreContext::itemChanged);
        QSignalSpy saves(context.get(), &StoreContext::saved);
        auto item = context->insert(makeLocalItem(sampleItem(QUuid::createUuid(), QStringLiteral("a"))));
        QCOMPARE(itemChanges.size(), 1);
        item->setContent(QStringLiteral("a")); // same value: no change
        QCOMPARE(itemChanges.size(), 1);
        item->setContent(QStringLiteral("b"));
        QCOMPARE(itemChanges.size(), 2);
        QCOMPARE(itemChanges.last().first().value<LocalItem*>(), item.get());
        QVERIFY(context->save());
        QCOMPARE(saves.size(), 1);
        QVERIFY(context->save()); // nothing pending: no write, no announcement
        QCOMPARE(saves.size(), 1);
    }

    void savedDeletionDetachesTheRecord()
    {
        auto context = openStore();
        auto item = context->insert(makeLocalItem(sampleItem(QUuid::createUuid(), QStringLiteral("gone"))));
        QVERIFY(context->save());
        context->remove(item);
        QVERIFY(context->save());
        QCOMPARE(item->context(), nullptr);
        item->setContent(QStringLiteral("still gone"));
        QVERIFY(!context->hasChanges());
        QCOMPARE(context->countItems(ItemQuery::withId(item->id())).value_or(-1), 0);
    }

    // A deferred save commits without syncing the log: a power cut may take it back. The next synced
    // save, even one with nothing of its own to write, makes every commit before it durable; that is
    // what lets a sync move its checkpoint only after one synced save. The image is what a power cut
    // right then would leave (every unsynced write lost).
    void deferredSavesBecomeDurableWithTheNextSyncedSave_data()
    {
        QTest::addColumn<bool>("moreToWrite");
        QTest::newRow("synced save with nothing pending") << false;
        QTest::newRow("synced save with a change of its own") << true;
    }

    void deferredSavesBecomeDurableWithTheNextSyncedSave()
    {
        QFETCH(bool, moreToWrite);
        PowerLossVfs::install();
        auto context = openStore();
        const QUuid boardId = QUuid::createUuid();
        context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("synced"))));
        QVERIFY(context->save());
        const QString image = m_file + QStringLiteral(".image");
        auto rowsAfterPowerCut = [&](const QString& where) {
            PowerLossVfs::writeImage(m_file, image);
            RawConnection raw(image);
            return raw.count(QStringLiteral("local_item"), where);
        };
        QCOMPARE(rowsAfterPowerCut(QStringLiteral("1")), 1);

        const int logSyncs = PowerLossVfs::syncCount(QStringLiteral("-wal"));
        for (int step = 0; step < 3; ++step) {
            context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("deferred"))));
            QVERIFY(context->save(StoreContext::Durability::deferred));
        }
        QCOMPARE(PowerLossVfs::syncCount(QStringLiteral("-wal")), logSyncs);
        QCOMPARE(RawConnection(m_file).count(QStringLiteral("local_item")), 1);
        QCOMPARE(rowsAfterPowerCut(QStringLiteral("1")), 1);

        if (moreToWrite)
            context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("last"))));
        QVERIFY(context->save());
        QCOMPARE(rowsAfterPowerCut(QStringLiteral("content = 'deferred'")), 3);
        QCOMPARE(rowsAfterPowerCut(QStringLiteral("1")), moreToWrite ? 5 : 4);
        QCOMPARE(RawConnection(image).value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));

        // Once synced, a save with nothing to write writes nothing.
        const int synced = PowerLossVfs::syncCount(QStringLiteral("-wal"));
        QVERIFY(context->save());
        QCOMPARE(PowerLossVfs::syncCount(QStringLiteral("-wal")), synced);
        // A synced save leaves later saves synced: the deferred level never outlives its save.
        context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("after"))));
        QVERIFY(context->save());
        QCOMPARE(rowsAfterPowerCut(QStringLiteral("content = 'after'")), 1);
    }

    // Deferred saves share one open transaction: another connection (a read apart included) sees
    // them once it commits, which a synced save, enough rows, a moment without saves or a write
    // that must not wait (a conflict copy) each bring about.
    void heldSavesCommitTogether_data()
    {
        QTest::addColumn<QString>("commitBy");
        QTest::newRow("a synced save") << QStringLiteral("synced");
        QTest::newRow("enough rows, on the next turn") << QStringLiteral("rows");
        QTest::newRow("twice as many, at once") << QStringLiteral("twice");
        QTest::newRow("a moment without saves") << QStringLiteral("quiet");
        QTest::newRow("a conflict copy") << QStringLiteral("copy");
    }

    void heldSavesCommitTogether()
    {
        QFETCH(QString, commitBy);
        auto context = openStore();
        const QUuid boardId = QUuid::createUuid();
        RawConnection other(m_file);
        QList<std::shared_ptr<LocalItem>> held;
        for (int step = 0; step < 3; ++step) {
            held.append(context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("held")))));
            QVERIFY(context->save(StoreContext::Durability::deferred));
        }
        context->remove(held.takeLast());
        QVERIFY(context->save(StoreContext::Durability::deferred));
        QVERIFY(!context->hasChanges());
        QVERIFY(context->holdsUncommittedSaves());
        QCOMPARE(context->countItems(ItemQuery::onBoard(boardId)).value_or(-1), 2);
        QCOMPARE(context->fetchItemTallies()->value(boardId).total, 2);
        QCOMPARE(other.count(QStringLiteral("local_item")), 0);
        QCOMPARE(readSavedBoardItems(m_file, boardId).value_or(QList<Item> {{}}).size(), 0);

        int rows = 2;
        if (commitBy == QLatin1String("synced")) {
            QVERIFY(context->save());
        } else if (commitBy == QLatin1String("rows") || commitBy == QLatin1String("twice")) {
            const qsizetype many = StoreContext::heldRowsLimit * (commitBy == QLatin1String("twice") ? 2 : 1);
            for (qsizetype i = 0; i < many; ++i)
                context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("many"))));
            QVERIFY(context->save(StoreContext::Durability::deferred));
            QCOMPARE(context->holdsUncommittedSaves(), commitBy == QLatin1String("rows"));
            QCoreApplication::processEvents();
            rows += int(many);
        } else if (commitBy == QLatin1String("quiet")) {
            QTRY_VERIFY(!context->holdsUncommittedSaves());
        } else {
            const Item mine = sampleItem(boardId, QStringLiteral("mine"));
            QVERIFY(ConflictCopyStore::insert(ConflictCopy::of(mine, ConflictReason::replaced, {}), *context));
            QCOMPARE(other.count(QStringLiteral("conflict_copy")), 1);
        }
        QVERIFY(!context->holdsUncommittedSaves());
        QCOMPARE(other.count(QStringLiteral("local_item")), rows);
        QCOMPARE(other.value(QStringLiteral("SELECT sum(count) FROM item_tally")).toInt(), rows);
        QCOMPARE(readSavedBoardItems(m_file, boardId).value_or(QList<Item> {}).size(), rows);
        for (const auto& item : std::as_const(held))
            QCOMPARE(item->context(), context.get());
    }

    // A save that fails among held ones ends their transaction, as a failure that SQLite answers by
    // rolling back does (a full disk; here a trigger's RAISE(ROLLBACK)): the held records are unsaved
    // again, as they were, and the next save writes them. A conflict copy written in between was
    // committed on its own, with what was held before it, and stays.
    void failedSaveAmongHeldSavesLosesNothing_data()
    {
        QTest::addColumn<QString>("raise");
        QTest::addColumn<bool>("copyBetween");
        QTest::newRow("a save fails") << QStringLiteral("ABORT") << false;
        QTest::newRow("SQLite rolls back") << QStringLiteral("ROLLBACK") << false;
        QTest::newRow("a save fails after a conflict copy") << QStringLiteral("ABORT") << true;
    }

    void failedSaveAmongHeldSavesLosesNothing()
    {
        QFETCH(QString, raise);
        QFETCH(bool, copyBetween);
        auto context = openStore(50);
        const QUuid boardId = QUuid::createUuid();
        RawConnection other(m_file);
        QVERIFY(other.execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON local_item "
                                             "WHEN NEW.content = 'poison' BEGIN SELECT RAISE(%1, 'refused'); END")
                .arg(raise)));
        auto doomed = context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("doomed"))));
        auto edited = context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("edited"))));
        QVERIFY(context->save());

        // Held: a new item, an edit and a deletion.
        context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("fresh"))));
        edited->setContent(QStringLiteral("edited, held"));
        context->remove(doomed);
        QVERIFY(context->save(StoreContext::Durability::deferred));
        if (copyBetween) {
            const Item mine = sampleItem(boardId, QStringLiteral("mine"));
            QVERIFY(ConflictCopyStore::insert(ConflictCopy::of(mine, ConflictReason::replaced, {}), *context));
        }
        context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("poison"))));
        const auto failed = context->save(StoreContext::Durability::deferred);
        QVERIFY(!failed);
        QVERIFY2(failed.error().message.contains(QStringLiteral("refused")), qPrintable(failed.error().message));

        // The context shows every change whatever reached the file.
        const auto contents = [](const QList<std::shared_ptr<LocalItem>>& items) {
            QStringList texts;
            for (const auto& item : items)
                texts << item->content();
            texts.sort();
            return texts.join(QLatin1Char(','));
        };
        const QString everyChange = QStringLiteral("edited, held,fresh,poison");
        QCOMPARE(contents(context->fetchItems(ItemQuery::onBoard(boardId)).value_or(QList<std::shared_ptr<LocalItem>> {})),
            everyChange);
        QCOMPARE(context->fetchItemTallies()->value(boardId).total, 3);
        QVERIFY(context->hasChanges());
        const QString inFile = QStringLiteral("SELECT group_concat(content, ',') FROM "
                                              "(SELECT content FROM local_item ORDER BY content)");
        QVERIFY(!context->holdsUncommittedSaves());
        QCOMPARE(other.value(inFile), copyBetween ? QStringLiteral("edited, held,fresh") : QStringLiteral("doomed,edited"));
        QCOMPARE(other.count(QStringLiteral("conflict_copy")), copyBetween ? 1 : 0);

        QVERIFY(other.execute(QStringLiteral("DROP TRIGGER refuse")));
        QVERIFY(context->save());
        QVERIFY(!context->hasChanges());
        QCOMPARE(other.value(inFile), everyChange);
        QCOMPARE(other.value(QStringLiteral("SELECT sum(count) FROM item_tally")).toInt(), 3);
        QCOMPARE(doomed->context(), nullptr);
        QCOMPARE(other.count(QStringLiteral("conflict_copy")), copyBetween ? 1 : 0);
    }

    // Copying the log into the store file (and syncing it) is a checkpoint's slow part: it runs on
    // a thread of its own, so a save never waits for it, and it keeps every commit.
    void logIsCopiedIntoTheFileOffTheSavingThread()
    {
        PowerLossVfs::install();
        auto context = openStore();
        const int fileSyncsHere = PowerLossVfs::syncCount(QStringLiteral(".store"), PowerLossVfs::Threads::this_);
        const int fileSyncs = PowerLossVfs::syncCount(QStringLiteral(".store"));
        // About 6 MB of items: past the log's checkpoint threshold (1,000 pages).
        const QUuid boardId = QUuid::createUuid();
        const QString text = QString(2000, QLatin1Char('x'));
        for (int i = 0; i < 3000; ++i)
            context->insert(makeLocalItem(sampleItem(boardId, text)));
        QVERIFY(context->save());
        QTRY_VERIFY_WITH_TIMEOUT(PowerLossVfs::syncCount(QStringLiteral(".store")) > fileSyncs, 30000);
        QCOMPARE(PowerLossVfs::syncCount(QStringLiteral(".store"), PowerLossVfs::Threads::this_), fileSyncsHere);

        context->insert(makeLocalItem(sampleItem(boardId, QStringLiteral("after the checkpoint"))));
        QVERIFY(context->save());
        const QString image = m_file + QStringLiteral(".image");
        PowerLossVfs::writeImage(m_file, image);
        RawConnection raw(image);
        QCOMPARE(raw.count(QStringLiteral("local_item")), 3001);
        QCOMPARE(raw.value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }

    // A process killed in the middle of a large save must leave the last committed state, whole.
    void killedDuringSaveLeavesTheLastCommit()
    {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QStringLiteral(STORE_CRASH_WRITER), { m_file });
        QVERIFY(writer.waitForStarted());
        QByteArray output;
        while (!output.contains("saving\n")) {
            QVERIFY2(writer.waitForReadyRead(30000), output.constData());
            output += writer.readAllStandardOutput();
        }
        // The save is under way once its transaction spills pages into the write-ahead log.
        const QString wal = m_file + QStringLiteral("-wal");
        const qint64 walAtStart = QFileInfo(wal).size();
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo(wal).size() < walAtStart + 4 * 1024 * 1024 && waited.elapsed() < 60000)
            QThread::usleep(500);
        writer.kill();
        QVERIFY(writer.waitForFinished());
        output += writer.readAllStandardOutput();
        QVERIFY2(!output.contains("saved\n"), "the save finished before the kill; make it larger");
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

        auto context = openStore();
        const auto committed = context->fetchItems(ItemQuery::onBoard(QUuid(QStringLiteral("{0b0a0d00-0000-4000-8000-00000000000a}"))));
        const auto interrupted = context->fetchItems(ItemQuery::onBoard(QUuid(QStringLiteral("{0b0a0d00-0000-4000-8000-00000000000b}"))));
        QVERIFY(committed && interrupted);
        QCOMPARE(committed->size(), 200);
        QCOMPARE(interrupted->size(), 0);
        for (const auto& item : *committed)
            QCOMPARE(item->content(), QStringLiteral("committed"));
        RawConnection raw(m_file);
        QCOMPARE(raw.value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    }
};

QTEST_GUILESS_MAIN(StoreContextTest)
#include "StoreContextTest.moc"
