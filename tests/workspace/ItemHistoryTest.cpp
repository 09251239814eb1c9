// Undo and redo of the item operations through the item history, on a local board and on a cloud
// board against the stand-in service; a teammate's change made since; undo while the service cannot
// be reached, then the next sync.
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/TrashStore.h"
#include "support/DevServerTestCase.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const QByteArray downBody = R"({"status":503,"code":"SERVICE_DOWN","message":"Service is down"})";

// What a user sees of an item: absent, or its board, text, column, assignee and archive state.
QString shape(const std::optional<Item>& item)
{
    if (!item)
        return QStringLiteral("absent");
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(uuidText(item->boardId), item->content, itemStatusText(item->status),
            item->assignee ? uuidText(*item->assignee) : QString(), item->isArchived() ? "archived" : "");
}

std::optional<Item> storedItem(WorkspaceClient& client, const QUuid& id)
{
    const auto record = LocalDataService::fetchLocalItem(id, client.store());
    if (!record || record->deletedAt())
        return std::nullopt;
    return toItem(*record);
}

// The same as the service holds it for the board, read as that account.
QString serviceShape(DevServer& server, WorkspaceClient& client, const QUuid& boardId, const QUuid& itemId)
{
    const ServiceBoard service = serviceBoard(server, client, boardId);
    if (!service.live.contains(itemId))
        return shape(std::nullopt);
    const QJsonObject item = service.live.value(itemId);
    Item seen;
    seen.boardId = boardId;
    seen.content = item.value(QStringLiteral("content")).toString();
    seen.status = itemStatusFromText(item.value(QStringLiteral("status")).toString()).value_or(ItemStatus::todo);
    if (const QString assignee = item.value(QStringLiteral("assignee")).toString(); !assignee.isEmpty())
        seen.assignee = QUuid::fromString(assignee);
    if (!item.value(QStringLiteral("archivedAt")).toString().isEmpty())
        seen.archivedAt = QDateTime::currentDateTimeUtc();
    return shape(seen);
}

// Runs one undo or redo to its end; whether it happened.
bool runStep(ItemHistory& history, bool undo)
{
    QSignalSpy finished(&history, &ItemHistory::stepFinished);
    undo ? history.undo() : history.redo();
    if (finished.isEmpty() && !finished.wait(15000))
        return false;
    return finished.first().first().toBool();
}
}

class ItemHistoryTest : public DevServerTestCase
{
    Q_OBJECT

private:
    Item addItem(WorkspaceClient& client, const QUuid& boardId, const QString& content)
    {
        const Board board = client.workspace().findBoard(boardId).value_or(Board {});
        const Item item = client.newItem(board, content);
        QCoro::waitFor(client.workspace().addItem(item, board));
        return storedItem(client, item.id).value_or(Item {});
    }

    Item fresh(WorkspaceClient& client, const Item& item) { return storedItem(client, item.id).value_or(item); }

private Q_SLOTS:
    void undoAndRedo_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<QString>("stepName");
        const QList<std::pair<const char*, const char*>> operations {{"add", "Add Item"},
            {"move", "Move to Done"}, {"edit", "Edit Item"}, {"assign", "Assign Item"},
            {"archive", "Archive Item"}, {"unarchive", "Unarchive Item"}, {"delete", "Delete Item"},
            {"deleteArchived", "Delete Item"}, {"merge", "Merge Items"}, {"moveToBoard", "Move to Errands"}};
        for (const bool cloud : {false, true}) {
            for (const auto& [operation, name] : operations)
                QTest::addRow("%s %s", cloud ? "cloud" : "local", operation)
                    << QString::fromLatin1(operation) << cloud << QString::fromLatin1(name);
        }
    }

    // Each operation, undone and redone: the items come back to what they were, here and on the
    // service, and the menu names the step.
    void undoAndRedo()
    {
        QFETCH(QString, operation);
        QFETCH(bool, cloud);
        QFETCH(QString, stepName);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        ItemHistory& history = client.history();
        const auto storage = cloud ? StorageOption::cloud : StorageOption::local;
        const Board board = client.createBoard(QStringLiteral("Plans"), storage);
        const Board other = client.createBoard(QStringLiteral("Errands"), storage);
        Item item = addItem(client, board.id, QStringLiteral("Buy milk"));
        const Item second = addItem(client, board.id, QStringLiteral("Buy bread"));
        if (operation == "unarchive" || operation == "deleteArchived") {
            QCoro::waitFor(client.workspace().setItemArchived(item, true));
            item = fresh(client, item);
        }
        if (operation == "add")
            item = client.newItem(*client.workspace().findBoard(board.id), QStringLiteral("Buy tea"));
        QCOMPARE(history.count(), 0); // the workspace's own operations are not the user's steps

        const QList<QUuid> touched {item.id, second.id};
        auto shapes = [&] {
            QStringList result;
            for (const QUuid& id : touched) {
                const auto stored = storedItem(client, id);
                result << shape(stored);
                if (cloud)
                    result << serviceShape(*m_server, client, stored ? stored->boardId : board.id, id);
            }
            return result;
        };
        const QStringList before = shapes();

        Item edited = item;
        if (operation == "add") {
            QCoro::waitFor(history.addItem(item, *client.workspace().findBoard(board.id)));
        } else if (operation == "move") {
            QVERIFY(!QCoro::waitFor(history.moveItem(item, ItemStatus::done)).failed);
        } else if (operation == "edit") {
            edited.content = QStringLiteral("Buy oat milk");
            QCoro::waitFor(history.updateItem(edited));
        } else if (operation == "assign") {
            edited.assignee = client.userId();
            QCoro::waitFor(history.updateItem(edited));
        } else if (operation == "archive" || operation == "unarchive") {
            QCoro::waitFor(history.setItemArchived(item, operation == "archive"));
        } else if (operation == "delete" || operation == "deleteArchived") {
            QCoro::waitFor(history.deleteItem(item));
        } else if (operation == "merge") {
            QCoro::waitFor(history.mergeItems(second, item));
        } else if (operation == "moveToBoard") {
            QVERIFY(!QCoro::waitFor(history.moveItemToBoard(item, *client.workspace().findBoard(other.id))).failed);
        }
        const QStringList after = shapes();
        QVERIFY(after != before);
        QCOMPARE(history.undoText(), stepName);
        QVERIFY(history.canUndo());

        QVERIFY(runStep(history, true));
        QCOMPARE(shapes(), before);
        QCOMPARE(history.redoText(), stepName);
        QVERIFY(!history.canUndo());

        QVERIFY(runStep(history, false));
        QCOMPARE(shapes(), after);
        QCOMPARE(history.undoText(), stepName);
    }

    // Deleted items of a local board wait in its trash across restarts, last deleted first; undo
    // and restore take them out, as do Delete Permanently and Empty Trash; after 30 days they go.
    void localTrash()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::local);
        Item archived = addItem(client, board.id, QStringLiteral("Buy milk"));
        QCoro::waitFor(client.workspace().setItemArchived(archived, true));
        archived = fresh(client, archived);
        const Item plain = addItem(client, board.id, QStringLiteral("Buy bread"));
        const Item undone = addItem(client, board.id, QStringLiteral("Buy tea"));
        for (const Item& item : {archived, plain, undone})
            QCoro::waitFor(client.history().deleteItem(item));
        auto trashed = [&] {
            QStringList texts;
            for (const Item& item : client.history().trash().items(board.id))
                texts << item.content;
            return texts;
        };
        QCOMPARE(trashed(), QStringList({"Buy tea", "Buy bread", "Buy milk"}));
        QVERIFY(runStep(client.history(), true));
        QVERIFY(storedItem(client, undone.id));
        QCOMPARE(trashed(), QStringList({"Buy bread", "Buy milk"}));

        Item old = plain;
        old.id = QUuid::createUuid();
        old.content = QStringLiteral("Old");
        old.deletedAt = QDateTime::currentDateTimeUtc().addDays(-31);
        QVERIFY(TrashStore::insert(old, client.store()));
        Item recent = old;
        recent.id = QUuid::createUuid();
        recent.content = QStringLiteral("Recent");
        recent.deletedAt = QDateTime::currentDateTimeUtc().addDays(-29);
        QVERIFY(TrashStore::insert(recent, client.store()));

        client.reopen();
        client.workspace().loadBoards(false);
        QCOMPARE(trashed(), QStringList({"Buy bread", "Buy milk", "Recent"}));
        QCoro::waitFor(client.history().trash().restore(archived.id, board.id));
        QCOMPARE(shape(storedItem(client, archived.id)), shape(archived));
        QCOMPARE(storedItem(client, archived.id)->order, archived.order);
        QCOMPARE(trashed(), QStringList({"Buy bread", "Recent"}));
        QCoro::waitFor(client.history().trash().deletePermanently(plain.id, board.id));
        QCOMPARE(trashed(), QStringList({"Recent"}));
        QCoro::waitFor(client.history().trash().empty(board.id));
        QCOMPARE(trashed(), QStringList());
    }

    // A cloud board's trash is the service's: another member sees the deleted item there and
    // restores it, and it comes back for the one who deleted it with the next sync.
    void cloudTrashRestoredByAnotherMember()
    {
        WorkspaceClient ana(m_server.get(), QStringLiteral("ana@example.com"));
        WorkspaceClient ben(m_server.get(), QStringLiteral("ben@example.com"));
        const Board board = ana.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        Item item = addItem(ana, board.id, QStringLiteral("Buy milk"));
        QVERIFY(!QCoro::waitFor(ana.workspace().moveItem(item, ItemStatus::done)).failed);
        item = fresh(ana, item);
        QVERIFY(shareBoard(ana, ben, ana.board(board.id)));

        QCoro::waitFor(ana.history().deleteItem(item));
        QVERIFY(!storedItem(ana, item.id));
        QTRY_COMPARE(ana.history().trash().items(board.id).size(), 1);
        QCoro::waitFor(ben.history().trash().refresh(board.id));
        const QList<Item> seen = ben.history().trash().items(board.id);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().content, QStringLiteral("Buy milk"));
        QVERIFY(seen.first().deletedAt);

        QCoro::waitFor(ben.history().trash().restore(item.id, board.id));
        QCOMPARE(ben.lastToast()->message, QStringLiteral("Item restored"));
        QCOMPARE(shape(storedItem(ben, item.id)), shape(item));
        QVERIFY(ben.history().trash().items(board.id).isEmpty());
        QVERIFY(QCoro::waitFor(ana.workspace().syncBoard(*ana.workspace().findBoard(board.id), false)));
        QCOMPARE(shape(storedItem(ana, item.id)), shape(item));
    }

    // A teammate changed the item since: undo keeps their change, says so, keeps the text it would
    // have put back as a conflict copy, and leaves the step out of the history.
    void undoAfterATeammatesChange()
    {
        WorkspaceClient ana(m_server.get(), QStringLiteral("ana@example.com"));
        WorkspaceClient ben(m_server.get(), QStringLiteral("ben@example.com"));
        const Board board = ana.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        const Item item = addItem(ana, board.id, QStringLiteral("Buy milk"));
        QVERIFY(shareBoard(ana, ben, ana.board(board.id)));

        Item edited = item;
        edited.content = QStringLiteral("Buy oat milk");
        QCoro::waitFor(ana.history().updateItem(edited));
        QVERIFY(QCoro::waitFor(ben.workspace().syncBoard(*ben.workspace().findBoard(board.id), false)));
        Item theirs = storedItem(ben, item.id).value_or(Item {});
        QCOMPARE(theirs.content, QStringLiteral("Buy oat milk"));
        theirs.content = QStringLiteral("Buy soy milk");
        QCoro::waitFor(ben.workspace().updateItem(theirs));
        QVERIFY(QCoro::waitFor(ana.workspace().syncBoard(*ana.workspace().findBoard(board.id), false)));
        QCOMPARE(storedItem(ana, item.id)->content, QStringLiteral("Buy soy milk"));

        QVERIFY(!runStep(ana.history(), true));
        QCOMPARE(storedItem(ana, item.id)->content, QStringLiteral("Buy soy milk"));
        QVERIFY(serviceShape(*m_server, ana, board.id, item.id).contains(QStringLiteral("Buy soy milk")));
        QVERIFY(ana.lastToast()->message.startsWith(QStringLiteral("Couldn't undo Edit Item: the item has changed")));
        QVERIFY(ana.workspace().conflictCopies().hasCopyOf(item.id));
        QCOMPARE(ana.workspace().conflictCopies().all().constLast().content, QStringLiteral("Buy milk"));
        QCOMPARE(ana.history().count(), 0);
        QVERIFY(!ana.history().canRedo());
    }

    // Offline, an undo is kept on this computer and reaches the service with the next sync; a step
    // that cannot be kept locally (a move between cloud boards) stays in the history to try again.
    void undoWhileOffline()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        ItemHistory& history = client.history();
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        const Board other = client.createBoard(QStringLiteral("Errands"), StorageOption::cloud);
        const Item item = addItem(client, board.id, QStringLiteral("Buy milk"));
        QVERIFY(!QCoro::waitFor(history.moveItem(item, ItemStatus::done)).failed);
        QVERIFY(!QCoro::waitFor(history.moveItemToBoard(fresh(client, item), *client.workspace().findBoard(other.id)))
                     .failed);

        const QString prefix = QStringLiteral("/api/boards/");
        QVERIFY(m_server->failNext(1, 503, prefix + uuidText(other.id), downBody));
        QVERIFY(!runStep(history, true));
        QCOMPARE(storedItem(client, item.id)->boardId, other.id);
        QCOMPARE(history.undoText(), QStringLiteral("Move to Errands"));
        QVERIFY(history.canUndo());
        QVERIFY(runStep(history, true));
        QCOMPARE(storedItem(client, item.id)->boardId, board.id);

        QVERIFY(m_server->failNext(1, 503, prefix + uuidText(board.id), downBody));
        QVERIFY(runStep(history, true));
        const Item pending = storedItem(client, item.id).value_or(Item {});
        QCOMPARE(pending.status, ItemStatus::todo);
        QVERIFY(!pending.didSync);
        QVERIFY(serviceShape(*m_server, client, board.id, item.id).contains(QStringLiteral("|DONE|")));

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(*client.workspace().findBoard(board.id), false)));
        QVERIFY(serviceShape(*m_server, client, board.id, item.id).contains(QStringLiteral("|TODO|")));
        QVERIFY(storedItem(client, item.id)->didSync);
    }
};

QTEST_GUILESS_MAIN(ItemHistoryTest)
#include "ItemHistoryTest.moc"
