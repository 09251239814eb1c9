// Item operations of the workspace against the stand-in service: each on a local board, on a cloud
// board with the service answering, failing or cutting the connection, and on a board whose access
// was revoked; then the pending changes going out with the next sync.
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "support/DevServerTestCase.h"

#include <QSignalSpy>
#include <QTest>

namespace {
// How the service behaves for the operation under test.
const QString online = QStringLiteral("online");
const QString failing = QStringLiteral("failing"); // answers 503 with a message of its own
const QString closing = QStringLiteral("closing"); // cuts the connection mid-answer
const QString revoked = QStringLiteral("revoked"); // the board is gone from the service
const QString local = QStringLiteral("local"); // a local board: the service is never asked

const QByteArray downBody = R"({"status":503,"code":"SERVICE_DOWN","message":"Service is down"})";
const QString downMessage = QStringLiteral("Service is down");
}

class ItemOperationsTest : public DevServerTestCase
{
    Q_OBJECT

private:
    Board makeBoard(WorkspaceClient& client, const QString& name, bool cloud)
    {
        return client.createBoard(name, cloud ? StorageOption::cloud : StorageOption::local);
    }

    // Makes the next request on the board's item paths go wrong in the given way.
    bool breakService(const QString& mode, WorkspaceClient& client, const QUuid& boardId)
    {
        const QString prefix = QStringLiteral("/api/boards/") + uuidText(boardId);
        if (mode == failing)
            return m_server->failNext(1, 503, prefix, downBody);
        if (mode == closing)
            return m_server->closeNext(1, prefix);
        if (mode == revoked)
            return m_server->request("DELETE", prefix, std::nullopt, client.account().accessToken).status
                == 204;
        return true;
    }

    // The literal followed by the error's text: exact for a failing service, any text for a cut one.
    static void verifyErrorText(WorkspaceClient& client, const QString& mode, const QString& literal)
    {
        const QString text = client.toastText();
        if (mode == failing)
            QCOMPARE(text, literal + downMessage);
        else
            QVERIFY2(text.startsWith(literal) && text.size() > literal.size(), qPrintable(text));
    }

    static void verifyRevoked(WorkspaceClient& client, const QUuid& boardId, const QString& name)
    {
        const auto& boards = client.workspace().boards();
        QVERIFY(std::none_of(
            boards.cbegin(), boards.cend(), [&](const Board& board) { return board.id == boardId; }));
        QVERIFY(LocalDataService::fetchLocalItems(boardId, 0, client.store())->isEmpty());
        QCOMPARE(client.toastType(), std::optional(ToastType::info));
        QCOMPARE(client.toastText(),
            QStringLiteral("Access to \"") + name
                + QStringLiteral("\" was revoked. The board has been removed."));
    }

    static void addModeRows()
    {
        QTest::addColumn<QString>("mode");
        for (const QString& mode : {local, online, failing, closing, revoked})
            QTest::newRow(qPrintable(mode)) << mode;
    }

private Q_SLOTS:
    void addItem_data() { addModeRows(); }

    void addItem()
    {
        QFETCH(QString, mode);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const bool cloud = mode != local;
        const Board board = makeBoard(client, QStringLiteral("Plans"), cloud);
        const Item item = client.newItem(board, QStringLiteral("Buy milk"), ItemStatus::inProgress);

        QVERIFY(breakService(mode, client, board.id));
        QCoro::waitFor(client.workspace().addItem(item, board));

        if (mode == revoked) {
            verifyRevoked(client, board.id, board.name);
            QVERIFY(!client.storedItem(item.id));
            QCOMPARE(client.lastEventName(), QStringLiteral("board_created"));
            return;
        }
        const bool synced = mode == online;
        const auto stored = client.storedItem(item.id);
        QVERIFY(stored);
        QCOMPARE(stored->content, QStringLiteral("Buy milk"));
        QCOMPARE(stored->boardId, board.id);
        QCOMPARE(stored->didSync, synced);
        const auto shown = client.shownItem(board.id, item.id);
        QVERIFY(shown);
        QCOMPARE(shown->didSync, synced);
        QCOMPARE(shown->revision, stored->revision);

        if (mode == local || mode == online) {
            QCOMPARE(client.toastType(), std::optional(ToastType::success));
            QCOMPARE(client.toastText(), QStringLiteral("Item added"));
        } else {
            QCOMPARE(client.toastType(), std::optional(ToastType::info));
            verifyErrorText(client, mode, QStringLiteral("Couldn't sync item to server. Added local only. "));
        }
        if (cloud) {
            const ServiceBoard service = serviceBoard(*m_server, client, board.id);
            QCOMPARE(service.live.contains(item.id), synced);
            if (synced)
                QCOMPARE(
                    stored->revision, service.live.value(item.id).value("revision").toInteger());
        }
        QCOMPARE(client.lastEventName(), QStringLiteral("item_added"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("storage")).toString(),
            cloud ? QStringLiteral("cloud") : local);
        QCOMPARE(client.lastEventProperty(QStringLiteral("synced")), QJsonValue(synced));
        QCOMPARE(client.lastEventProperty(QStringLiteral("status")).toString(), QStringLiteral("IN_PROGRESS"));
    }

    void moveItem_data() { addModeRows(); }

    void moveItem()
    {
        QFETCH(QString, mode);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const bool cloud = mode != local;
        const Board board = makeBoard(client, QStringLiteral("Plans"), cloud);
        const Item item = client.addItem(board.id, QStringLiteral("Buy milk"));
        QVERIFY(item.didSync == cloud);

        QVERIFY(breakService(mode, client, board.id));
        const MoveOutcome outcome = QCoro::waitFor(client.workspace().moveItem(item, ItemStatus::done));

        if (mode == revoked) {
            QVERIFY(outcome.failed);
            QCOMPARE(outcome.message, QStringLiteral("Network error: could not move item"));
            verifyRevoked(client, board.id, board.name);
            QCOMPARE(client.lastEventProperty(QStringLiteral("result")).toString(), QStringLiteral("failed"));
            return;
        }
        const bool moved = mode == local || mode == online;
        QCOMPARE(outcome.failed, !moved);
        QCOMPARE(outcome.message,
            moved ? QStringLiteral("Item moved successfully") : QStringLiteral("Failed to move"));
        // A refused move leaves the item in its old column, here and in the store.
        const ItemStatus expected = moved ? ItemStatus::done : ItemStatus::todo;
        QCOMPARE(client.shownItem(board.id, item.id)->status, expected);
        QCOMPARE(client.storedItem(item.id)->status, expected);
        QCOMPARE(client.storedItem(item.id)->content, QStringLiteral("Buy milk"));
        QCOMPARE(client.storedItem(item.id)->order, item.order);
        if (cloud) {
            const QJsonObject service
                = serviceBoard(*m_server, client, board.id).live.value(item.id);
            QCOMPARE(
                service.value("status").toString(), moved ? QStringLiteral("DONE") : QStringLiteral("TODO"));
            QCOMPARE(client.storedItem(item.id)->revision, service.value("revision").toInteger());
        }
        QCOMPARE(client.lastEventName(), QStringLiteral("item_status_changed"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("result")).toString(),
            moved ? QStringLiteral("success") : QStringLiteral("failed"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("synced")), QJsonValue(cloud && moved));
        QCOMPARE(client.lastEventProperty(QStringLiteral("status")).toString(), QStringLiteral("DONE"));
    }

    void moveToTheSameStatusWritesNothing_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::newRow("local") << false;
        QTest::newRow("cloud") << true;
    }

    void moveToTheSameStatusWritesNothing()
    {
        QFETCH(bool, cloud);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = makeBoard(client, QStringLiteral("Plans"), cloud);
        const Item item = client.addItem(board.id, QStringLiteral("Buy milk"), ItemStatus::inProgress);
        const Item before = *client.storedItem(item.id);
        const qsizetype events = client.events().size();
        const qint64 serviceCheckpoint = cloud ? serviceBoard(*m_server, client, board.id).checkpoint : 0;

        const MoveOutcome outcome = QCoro::waitFor(client.workspace().moveItem(item, ItemStatus::inProgress));
        QVERIFY(outcome.failed);
        QCOMPARE(outcome.message, QStringLiteral("Item is already in this status"));
        QCOMPARE(client.storedItem(item.id)->updatedAt, before.updatedAt);
        QCOMPARE(client.events().size(), events);
        if (cloud)
            QCOMPARE(serviceBoard(*m_server, client, board.id).checkpoint, serviceCheckpoint);
    }

    void updateItem_data() { addModeRows(); }

    void updateItem()
    {
        QFETCH(QString, mode);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const bool cloud = mode != local;
        const Board board = makeBoard(client, QStringLiteral("Plans"), cloud);
        const Item item = client.addItem(board.id, QStringLiteral("Buy milk"));
        QSignalSpy marked(&client.workspace(), &BoardViewModel::recentlyUpdatedItemIdChanged);

        Item edited = item;
        edited.content = QStringLiteral("Buy oat milk");
        QVERIFY(breakService(mode, client, board.id));
        QCoro::waitFor(client.workspace().updateItem(edited));

        if (mode == revoked) {
            verifyRevoked(client, board.id, board.name);
            QVERIFY(!client.storedItem(item.id));
            return;
        }
        const bool synced = mode == online;
        // A refused edit keeps the new text here, waiting for the next sync.
        QCOMPARE(client.storedItem(item.id)->content, QStringLiteral("Buy oat milk"));
        QCOMPARE(client.storedItem(item.id)->didSync, synced);
        QCOMPARE(client.shownItem(board.id, item.id)->content, QStringLiteral("Buy oat milk"));
        QCOMPARE(client.workspace().recentlyUpdatedItemId(), std::optional(item.id));
        QCOMPARE(marked.size(), 2); // absent first, then the id
        if (cloud) {
            const QJsonObject service
                = serviceBoard(*m_server, client, board.id).live.value(item.id);
            QCOMPARE(service.value("content").toString(),
                synced ? QStringLiteral("Buy oat milk") : QStringLiteral("Buy milk"));
        }
        if (mode == local || mode == online) {
            QCOMPARE(client.toastType(), std::optional(ToastType::success));
            QCOMPARE(client.toastText(), QStringLiteral("Item updated"));
        } else {
            QCOMPARE(client.toastType(), std::optional(ToastType::info));
            verifyErrorText(client, mode, QStringLiteral("Couldn't update the item. Updated locally. "));
        }
        QCOMPARE(client.lastEventName(), QStringLiteral("item_updated"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("synced")), QJsonValue(synced));
        QCOMPARE(client.lastEventProperty(QStringLiteral("status")).toString(), QStringLiteral("TODO"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("result")).toString(),
            synced || mode == local ? QStringLiteral("success") : QStringLiteral("local_only"));
    }

    void deleteItem_data() { addModeRows(); }

    void deleteItem()
    {
        QFETCH(QString, mode);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const bool cloud = mode != local;
        const Board board = makeBoard(client, QStringLiteral("Plans"), cloud);
        const Item item = client.addItem(board.id, QStringLiteral("Buy milk"));
        const Item other = client.addItem(board.id, QStringLiteral("Buy bread"));

        QVERIFY(breakService(mode, client, board.id));
        QCoro::waitFor(client.workspace().deleteItem(item));

        if (mode == revoked) {
            verifyRevoked(client, board.id, board.name);
            return;
        }
        // Gone from view in every case; the other item stays.
        QVERIFY(!client.shownItem(board.id, item.id));
        QVERIFY(client.shownItem(board.id, other.id));
        QVERIFY(client.workspace().findBoard(board.id));
        const bool deleted = mode == local || mode == online;
        const auto stored = client.storedItem(item.id);
        if (deleted) {
            QVERIFY(!stored);
            QCOMPARE(client.toastType(), std::optional(ToastType::success));
            QCOMPARE(client.toastText(), QStringLiteral("Item deleted"));
        } else {
            // A tombstone waits for the next sync.
            QVERIFY(stored);
            QVERIFY(stored->deletedAt);
            QVERIFY(!stored->didSync);
            QCOMPARE(client.toastType(), std::optional(ToastType::error));
            verifyErrorText(client, mode, QString());
            // Still hidden after the board is read again from the store.
            QVERIFY(client.workspace().reloadBoardItems(board.id));
            QVERIFY(!client.shownItem(board.id, item.id));
        }
        if (cloud) {
            const ServiceBoard service = serviceBoard(*m_server, client, board.id);
            QCOMPARE(service.live.contains(item.id), !deleted);
            QCOMPARE(service.deleted.contains(item.id), deleted);
        }
        QCOMPARE(client.lastEventName(), QStringLiteral("item_deleted"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("storage")).toString(),
            cloud ? QStringLiteral("cloud") : local);
        QCOMPARE(client.lastEventProperty(QStringLiteral("synced")), QJsonValue(cloud && deleted));
        QCOMPARE(client.lastEventProperty(QStringLiteral("result")).toString(),
            deleted ? QStringLiteral("success") : QStringLiteral("local_only"));
    }

    void setItemArchived_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("archived");
        for (const QString& mode : {local, online, failing, revoked}) {
            QTest::addRow("%s archive", qPrintable(mode)) << mode << true;
            QTest::addRow("%s unarchive", qPrintable(mode)) << mode << false;
        }
    }

    void setItemArchived()
    {
        QFETCH(QString, mode);
        QFETCH(bool, archived);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const bool cloud = mode != local;
        const Board board = makeBoard(client, QStringLiteral("Plans"), cloud);
        Item item = client.addItem(board.id, QStringLiteral("Buy milk"));
        if (!archived) {
            QCoro::waitFor(client.workspace().setItemArchived(item, true));
            item = *client.shownItem(board.id, item.id);
            QVERIFY(item.archivedAt);
        }

        QVERIFY(breakService(mode, client, board.id));
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        QCoro::waitFor(client.workspace().setItemArchived(item, archived));

        if (mode == revoked) {
            verifyRevoked(client, board.id, board.name);
            return;
        }
        const bool synced = mode == online;
        const auto stored = client.storedItem(item.id);
        QCOMPARE(stored->archivedAt.has_value(), archived);
        if (archived)
            QVERIFY(*stored->archivedAt >= before);
        QCOMPARE(stored->didSync, synced);
        QCOMPARE(client.shownItem(board.id, item.id)->archivedAt.has_value(), archived);
        if (cloud) {
            const QJsonObject service
                = serviceBoard(*m_server, client, board.id).live.value(item.id);
            // A refused change leaves the service as it was: archived exactly when the item was before.
            QCOMPARE(service.contains("archivedAt") && !service.value("archivedAt").isNull(),
                synced ? archived : !archived);
        }
        if (mode == failing) {
            QCOMPARE(client.toastType(), std::optional(ToastType::info));
            verifyErrorText(client, mode, QStringLiteral("Couldn't sync archive change. Updated locally. "));
        } else {
            QCOMPARE(client.toastType(), std::optional(ToastType::success));
            QCOMPARE(client.toastText(),
                archived ? QStringLiteral("Item archived") : QStringLiteral("Item unarchived"));
        }
        QCOMPARE(client.lastEventName(),
            archived ? QStringLiteral("item_archived") : QStringLiteral("item_unarchived"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("synced")), QJsonValue(synced));
        QCOMPARE(client.lastEventProperty(QStringLiteral("state")).toString(),
            archived ? QStringLiteral("archived") : QStringLiteral("unarchived"));
    }

    void mergeItems_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("sourceText");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("failure"); // the toast's literal when the merge does not happen

        const QString joined = QStringLiteral("Buy milk\n\nBuy bread");
        QTest::newRow("local") << local << "Buy bread" << joined << QString();
        QTest::newRow("local, blank source") << local << " \n "
                                             << "Buy milk" << QString();
        QTest::newRow("cloud") << online << "Buy bread" << joined << QString();
        QTest::newRow("cloud, blank source") << online << "\n\n"
                                             << "Buy milk" << QString();
        QTest::newRow("cloud, destination refused") << failing << "Buy bread"
                                                    << "Buy milk"
                                                    << "Couldn't update the destination item. ";
        QTest::newRow("cloud, source deletion refused") << QStringLiteral("source failing") << "Buy bread"
                                                        << "Buy milk"
                                                        << "Couldn't delete the merged item. ";
        QTest::newRow("cloud, revoked") << revoked << "Buy bread" << QString() << QString();
    }

    void mergeItems()
    {
        QFETCH(QString, mode);
        QFETCH(QString, sourceText);
        QFETCH(QString, expected);
        QFETCH(QString, failure);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const bool cloud = mode != local;
        const Board board = makeBoard(client, QStringLiteral("Plans"), cloud);
        const Item destination
            = client.addItem(board.id, QStringLiteral("Buy milk"), ItemStatus::inProgress);
        const Item source = client.addItem(board.id, sourceText);
        const qsizetype events = client.events().size();

        if (mode == QLatin1String("source failing"))
            QVERIFY(m_server->failNext(1, 503,
                QStringLiteral("/api/boards/%1/items/%2").arg(uuidText(board.id), uuidText(source.id)),
                downBody));
        else
            QVERIFY(breakService(mode, client, board.id));
        QCoro::waitFor(client.workspace().mergeItems(source, destination));

        if (mode == revoked) {
            verifyRevoked(client, board.id, board.name);
            return;
        }
        const bool merged = failure.isEmpty();
        QCOMPARE(client.storedItem(destination.id)->content, expected);
        QCOMPARE(client.shownItem(board.id, destination.id)->content, expected);
        QCOMPARE(client.shownItem(board.id, destination.id)->order, destination.order);
        QCOMPARE(client.storedItem(source.id).has_value(), !merged);
        QCOMPARE(client.shownItem(board.id, source.id).has_value(), !merged);
        if (cloud) {
            const ServiceBoard service = serviceBoard(*m_server, client, board.id);
            QCOMPARE(service.live.contains(source.id), !merged);
            if (merged) {
                QCOMPARE(service.live.value(destination.id).value("content").toString(), expected);
                QCOMPARE(client.storedItem(destination.id)->revision,
                    service.live.value(destination.id).value("revision").toInteger());
            }
        }
        if (merged) {
            QCOMPARE(client.toastType(), std::optional(ToastType::success));
            QCOMPARE(client.toastText(), QStringLiteral("Items merged"));
            QCOMPARE(client.workspace().recentlyUpdatedItemId(), std::optional(destination.id));
            QCOMPARE(client.lastEventName(), QStringLiteral("item_merged"));
            QCOMPARE(client.lastEventProperty(QStringLiteral("synced")), QJsonValue(cloud));
            QCOMPARE(
                client.lastEventProperty(QStringLiteral("status")).toString(), QStringLiteral("IN_PROGRESS"));
        } else {
            QCOMPARE(client.toastType(), std::optional(ToastType::error));
            QCOMPARE(client.toastText(), failure + downMessage);
            QCOMPARE(client.events().size(), events);
        }
    }

    void mergeRefusals_data()
    {
        QTest::addColumn<bool>("otherBoard");
        QTest::addColumn<QString>("message");
        QTest::newRow("different boards") << true << "Items can only be merged within the same board";
        QTest::newRow("source not found") << false << "Couldn't find the item to merge";
    }

    void mergeRefusals()
    {
        QFETCH(bool, otherBoard);
        QFETCH(QString, message);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board first = makeBoard(client, QStringLiteral("Plans"), false);
        const Board second = makeBoard(client, QStringLiteral("Errands"), false);
        const Item destination = client.addItem(first.id, QStringLiteral("Buy milk"));
        Item source = otherBoard ? client.addItem(second.id, QStringLiteral("Buy bread"))
                                 : client.newItem(first, QStringLiteral("Never added"));

        QCoro::waitFor(client.workspace().mergeItems(source, destination));
        QCOMPARE(client.toastType(), std::optional(ToastType::error));
        QCOMPARE(client.toastText(), message);
        QCOMPARE(client.storedItem(destination.id)->content, QStringLiteral("Buy milk"));
        QCOMPARE(client.storedItem(source.id).has_value(), otherBoard);
        QCOMPARE(client.lastEventName(), QStringLiteral("item_added"));
    }

    void moveItemToBoard_data()
    {
        QTest::addColumn<bool>("fromCloud");
        QTest::addColumn<bool>("toCloud");
        QTest::addColumn<QString>("mode");

        for (const bool fromCloud : {false, true}) {
            for (const bool toCloud : {false, true}) {
                const QString name = QStringLiteral("%1 to %2")
                                         .arg(fromCloud ? "cloud" : "local", toCloud ? "cloud" : "local");
                QTest::newRow(qPrintable(name)) << fromCloud << toCloud << online;
                if (fromCloud || toCloud)
                    QTest::newRow(qPrintable(name + QStringLiteral(", failing")))
                        << fromCloud << toCloud << failing;
            }
        }
        QTest::newRow("cloud to local, source revoked") << true << false << revoked;
        QTest::newRow("local to cloud, target revoked") << false << true << revoked;
    }

    void moveItemToBoard()
    {
        QFETCH(bool, fromCloud);
        QFETCH(bool, toCloud);
        QFETCH(QString, mode);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board source = makeBoard(client, QStringLiteral("Plans"), fromCloud);
        const Board target = makeBoard(client, QStringLiteral("Errands"), toCloud);
        client.addItem(target.id, QStringLiteral("Already there"));
        // Revisions count per board: the source's runs ahead, so one carried over by the move shows.
        for (const char* text : {"Call mum", "Pay rent", "Water plants"})
            client.addItem(source.id, QString::fromLatin1(text));
        const Item item = client.addItem(source.id, QStringLiteral("Buy milk"), ItemStatus::done);
        const QUuid brokenBoard = fromCloud ? source.id : target.id;

        QVERIFY(breakService(mode, client, brokenBoard));
        const MoveOutcome outcome = QCoro::waitFor(
            client.workspace().moveItemToBoard(item, *client.workspace().findBoard(target.id)));

        if (mode == revoked) {
            QVERIFY(outcome.failed);
            QCOMPARE(outcome.message, QStringLiteral("Network error: could not move item"));
            verifyRevoked(client, brokenBoard, brokenBoard == source.id ? source.name : target.name);
            if (brokenBoard == target.id) {
                // The item stays where it was.
                QCOMPARE(client.storedItem(item.id)->boardId, source.id);
                QVERIFY(client.shownItem(source.id, item.id));
            }
            return;
        }

        // Moving into a cloud board keeps the item there locally when the service cannot be told;
        // moving out of one changes nothing until the service agreed.
        const bool failed = mode == failing;
        const bool movedHere = !failed || !fromCloud;
        QCOMPARE(outcome.failed, failed);
        QCOMPARE(outcome.message,
            failed ? QStringLiteral("Network error: could not move item")
                   : QStringLiteral("Item moved successfully"));
        const auto stored = client.storedItem(item.id);
        QVERIFY(stored);
        QCOMPARE(stored->boardId, movedHere ? target.id : source.id);
        QCOMPARE(stored->order, item.order);
        QCOMPARE(stored->status, ItemStatus::done);
        QCOMPARE(stored->content, QStringLiteral("Buy milk"));
        const bool synced = toCloud && !failed;
        QCOMPARE(stored->didSync, movedHere ? synced : true);
        QCOMPARE(client.shownItem(target.id, item.id).has_value(), movedHere);
        QCOMPARE(client.shownItem(source.id, item.id).has_value(), !movedHere);

        if (fromCloud) {
            const ServiceBoard service = serviceBoard(*m_server, client, source.id);
            QCOMPARE(service.live.contains(item.id), failed);
        }
        if (toCloud) {
            const ServiceBoard service = serviceBoard(*m_server, client, target.id);
            QCOMPARE(service.live.contains(item.id), !failed);
            if (!failed)
                QCOMPARE(
                    stored->revision, service.live.value(item.id).value("revision").toInteger());
        }
        QCOMPARE(client.lastEventName(), QStringLiteral("item_moved"));
        QCOMPARE(
            client.lastEventProperty(QStringLiteral("from_storage")).toString(), fromCloud ? "cloud" : "local");
        QCOMPARE(client.lastEventProperty(QStringLiteral("to_storage")).toString(), toCloud ? "cloud" : "local");
        QCOMPARE(client.lastEventProperty(QStringLiteral("synced")), QJsonValue(synced));
        QCOMPARE(client.lastEventProperty(QStringLiteral("result")).toString(),
            !failed ? QStringLiteral("success")
                    : (fromCloud ? QStringLiteral("failed") : QStringLiteral("local_only")));
    }

    // The service reports a moved item as deleted on its old board; syncing both boards afterwards
    // must leave it on the new one, here and on the service.
    void movedItemsSurviveTheNextSyncs_data()
    {
        QTest::addColumn<bool>("fromCloud");
        QTest::addColumn<bool>("toCloud");
        QTest::addColumn<QString>("mode");
        QTest::newRow("cloud to cloud") << true << true << online;
        QTest::newRow("cloud to local") << true << false << online;
        QTest::newRow("local to cloud, posted later") << false << true << failing;
    }

    void movedItemsSurviveTheNextSyncs()
    {
        QFETCH(bool, fromCloud);
        QFETCH(bool, toCloud);
        QFETCH(QString, mode);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board source = makeBoard(client, QStringLiteral("Plans"), fromCloud);
        const Board target = makeBoard(client, QStringLiteral("Errands"), toCloud);
        const Item item = client.addItem(source.id, QStringLiteral("Buy milk"));

        QVERIFY(breakService(mode, client, target.id));
        QCoro::waitFor(client.workspace().moveItemToBoard(item, *client.workspace().findBoard(target.id)));
        for (const Board& board : { source, target }) {
            if (board.syncWithServer)
                QVERIFY(QCoro::waitFor(client.workspace().syncBoard(*client.workspace().findBoard(board.id), false)));
        }

        const auto stored = client.storedItem(item.id);
        QVERIFY(stored);
        QCOMPARE(stored->boardId, target.id);
        QVERIFY(!stored->deletedAt);
        QCOMPARE(stored->didSync, toCloud);
        QVERIFY(client.shownItem(target.id, item.id));
        QVERIFY(!client.shownItem(source.id, item.id));
        if (toCloud) {
            const QJsonObject service = serviceBoard(*m_server, client, target.id).live.value(item.id);
            QCOMPARE(service.value("content").toString(), QStringLiteral("Buy milk"));
        }
        if (fromCloud)
            QVERIFY(!serviceBoard(*m_server, client, source.id).live.contains(item.id));
    }

    void moveToTheSameBoardIsRefused()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = makeBoard(client, QStringLiteral("Plans"), false);
        const Item item = client.addItem(board.id, QStringLiteral("Buy milk"));
        const MoveOutcome outcome = QCoro::waitFor(client.workspace().moveItemToBoard(item, board));
        QVERIFY(outcome.failed);
        QCOMPARE(outcome.message, QStringLiteral("Item is already in this board"));
        QCOMPARE(client.lastEventName(), QStringLiteral("item_added"));
    }

    // The selected board's checkpoint follows the user's own changes one revision at a time; a change
    // by someone else in between shows as a highlight instead.
    void ownChangesAdvanceTheCheckpoint()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = makeBoard(client, QStringLiteral("Plans"), true);
        QCOMPARE(client.workspace().selectedBoard().id, board.id);
        const auto checkpoint
            = [&] { return client.preferences().get(PreferenceKeys::checkpoint(board.id)); };

        const Item first = client.addItem(board.id, QStringLiteral("Buy milk"));
        const Item second = client.addItem(board.id, QStringLiteral("Buy bread"));
        QCOMPARE(checkpoint(), std::optional<qint64>(2));
        QCoro::waitFor(client.workspace().mergeItems(second, first));
        QCOMPARE(checkpoint(), std::optional<qint64>(4));
        QVERIFY(!client.workspace().shouldHighlightRefresh());

        // Someone else adds an item to the board.
        QVERIFY(!addOnService(*m_server, client, board.id).isNull());

        Item edited = *client.shownItem(board.id, first.id);
        edited.content = QStringLiteral("Buy milk and bread");
        QCoro::waitFor(client.workspace().updateItem(edited));
        QCOMPARE(client.toastText(), QStringLiteral("Item updated"));
        QCOMPARE(checkpoint(), std::optional<qint64>(4));
        QVERIFY(client.workspace().shouldHighlightRefresh());
        QVERIFY(client.workspace().highlightedBoards().contains(board.id));
    }

    // Changes kept locally while the service failed go out with the next sync and are then seen by
    // another member of the board.
    void pendingChangesReachTheServiceWithTheNextSync()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = makeBoard(client, QStringLiteral("Plans"), true);
        const Item kept = client.addItem(board.id, QStringLiteral("Buy milk"));
        const Item doomed = client.addItem(board.id, QStringLiteral("Buy bread"));
        const Item archived = client.addItem(board.id, QStringLiteral("Buy eggs"));

        const QString items = QStringLiteral("/api/boards/%1/items").arg(uuidText(board.id));
        QVERIFY(m_server->failNext(4, 503, items, downBody));
        Item edited = kept;
        edited.content = QStringLiteral("Buy oat milk");
        QCoro::waitFor(client.workspace().updateItem(edited));
        QCoro::waitFor(client.workspace().deleteItem(doomed));
        QCoro::waitFor(client.workspace().setItemArchived(archived, true));
        const Item added = client.newItem(*client.workspace().findBoard(board.id), QStringLiteral("Buy tea"));
        QCoro::waitFor(client.workspace().addItem(added, *client.workspace().findBoard(board.id)));
        QCOMPARE(client.pendingCount(board.id), 4);

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(*client.workspace().findBoard(board.id), false)));
        QCOMPARE(client.pendingCount(board.id), 0);

        WorkspaceClient other(m_server.get(), QStringLiteral("ben@example.com"));
        QVERIFY(shareBoard(client, other, client.board(board.id)));
        const ServiceBoard service = serviceBoard(*m_server, other, board.id);
        QCOMPARE(service.live.value(kept.id).value("content").toString(),
            QStringLiteral("Buy oat milk"));
        QVERIFY(!service.live.contains(doomed.id));
        QVERIFY(service.deleted.contains(doomed.id));
        QVERIFY(!service.live.value(archived.id).value("archivedAt").toString().isEmpty());
        QCOMPARE(
            service.live.value(added.id).value("content").toString(), QStringLiteral("Buy tea"));

        // The tombstone is gone locally once the service took the deletion.
        QVERIFY(!client.storedItem(doomed.id));
        QVERIFY(!client.shownItem(board.id, doomed.id));
    }
};

QTEST_GUILESS_MAIN(ItemOperationsTest)
#include "ItemOperationsTest.moc"
