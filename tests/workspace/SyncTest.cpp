// Checkpoint sync and the board list against plenko-devserver: pending changes, conflicts, the
// refresh indicator, syncing all boards, vanished and revoked boards, and sign-out clearing.
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/PendingBoardInfoStore.h"
#include "store/PreferenceKeys.h"
#include "support/DevServerTestCase.h"
#include "support/LogCapture.h"

#include <QJsonDocument>
#include <QTest>
#include <functional>
#include <sqlite3.h>

namespace {
std::shared_ptr<LocalItem> stored(WorkspaceClient& client, const QUuid& itemId)
{
    return LocalDataService::fetchLocalItem(itemId, client.store());
}

// Changes an item in the store as an offline edit does: the service has not seen it yet.
void editOffline(WorkspaceClient& client, const QUuid& itemId, const std::function<void(LocalItem&)>& change)
{
    auto record = stored(client, itemId);
    QVERIFY(record);
    change(*record);
    record->setDidSync(false);
    QVERIFY(client.store().save());
}

std::optional<BoardRefreshState> refreshState(WorkspaceClient& client, const QUuid& boardId)
{
    const auto& states = client.workspace().boardRefreshStates();
    return states.contains(boardId) ? std::optional(states.value(boardId)) : std::nullopt;
}

int requestsTo(const DevServer& server, const QString& fragment)
{
    int count = 0;
    for (const QString& line : server.output())
        count += line.contains(fragment) ? 1 : 0;
    return count;
}
}

class SyncTest : public DevServerTestCase
{
    Q_OBJECT

private:
private Q_SLOTS:
    void firstSyncFetchesEverything()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board board = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QVERIFY(!addOnService(*m_server, client, board.id, QStringLiteral("Write minutes")).isNull());
        QVERIFY(!addOnService(*m_server, client, board.id, QStringLiteral("Book room")).isNull());
        client.workspace().setBoardHighlight(board.id);
        QVERIFY(!client.preferences().get(PreferenceKeys::checkpoint(board.id)));

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), true)));
        QCOMPARE(client.board(board.id).items.size(), 2);
        QCOMPARE(client.preferences().get(PreferenceKeys::checkpoint(board.id)), std::optional<qint64>(2));
        QCOMPARE(client.pendingCount(board.id), 0);
        QVERIFY(!client.workspace().highlightedBoards().contains(board.id));
        QCOMPARE(client.toastText(), QStringLiteral("Board refreshed"));
        QCOMPARE(client.toastType(), std::optional(ToastType::success));
        QCOMPARE(refreshState(client, board.id), std::optional(BoardRefreshState::success));
        QVERIFY(client.workspace().syncingBoards().isEmpty());
        QCOMPARE(client.lastEventName(), QStringLiteral("board_refresh_completed"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("result")).toString(), QStringLiteral("success"));
        QCOMPARE(client.lastEventProperty(QStringLiteral("storage")).toString(), QStringLiteral("cloud"));

        // The next sync starts from the stored checkpoint: an item the user deleted locally without
        // telling anyone is not sent again by the service.
        const QUuid kept = client.board(board.id).items.first().id;
        QVERIFY(LocalDataService::deleteLocalItem(kept, client.store()));
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        QVERIFY(!stored(client, kept));
        QCOMPARE(client.board(board.id).items.size(), 1);
    }

    void pendingChangesReachTheService()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        const QUuid edited = addOnService(*m_server, client, board.id, "Draft");
        const QUuid removed = addOnService(*m_server, client, board.id, "Obsolete");
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));

        editOffline(client, edited, [](LocalItem& item) {
            item.setContent(QStringLiteral("Final"));
            item.setStatus(ItemStatus::done);
        });
        editOffline(
            client, removed, [](LocalItem& item) { item.setDeletedAt(QDateTime::currentDateTimeUtc()); });
        Item added = client.newItem(client.board(board.id), QStringLiteral("Written offline"));
        QVERIFY(client.storeItem(added));
        QCOMPARE(client.pendingCount(board.id), 3);

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), true)));
        const auto service = serviceBoard(*m_server, client, board.id).live;
        QCOMPARE(service.size(), 2);
        QCOMPARE(service.value(edited).value("content").toString(), QStringLiteral("Final"));
        QCOMPARE(service.value(edited).value("status").toString(), QStringLiteral("DONE"));
        QCOMPARE(service.value(added.id).value("content").toString(), QStringLiteral("Written offline"));
        // The deletion came back in deletedItems and the tombstone left the store.
        QVERIFY(!stored(client, removed));
        QCOMPARE(client.pendingCount(board.id), 0);
        QCOMPARE(client.board(board.id).items.size(), 2);
        QCOMPARE(stored(client, added.id)->revision(), service.value(added.id).value("revision").toInteger());
    }

    // More pending items than one request carries go in several, each answer written before the
    // next part is sent from its checkpoint.
    void pendingItemsBeyondOneRequestGoInParts()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        const QUuid others = addOnService(*m_server, client, board.id, "From elsewhere");
        constexpr int count = 2500;
        const Board target = client.board(board.id);
        for (int i = 0; i < count; ++i)
            QVERIFY(client.storeItem(client.newItem(target, QString::number(i))));
        const int requestsBefore = requestsTo(*m_server, uuidText(board.id) + QStringLiteral("/sync"));

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), true)));
        QCOMPARE(requestsTo(*m_server, uuidText(board.id) + QStringLiteral("/sync")) - requestsBefore, 3);
        QCOMPARE(client.pendingCount(board.id), 0);
        QCOMPARE(serviceBoard(*m_server, client, board.id).live.size(), count + 1);
        QCOMPARE(client.board(board.id).items.size(), count + 1);
        QVERIFY(stored(client, others));
        QCOMPARE(
            client.preferences().get(PreferenceKeys::checkpoint(board.id)), std::optional<qint64>(count + 1));
        QCOMPARE(client.toastType(), std::optional(ToastType::success));
    }

    void conflictsAreWonByTheServiceAndTheEditIsKept()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        const QUuid id = addOnService(*m_server, client, board.id, QStringLiteral("Agenda"));
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        const qint64 revision = stored(client, id)->revision();

        // Someone changes the item on the service; this client edits its older copy offline.
        const QJsonObject patch {{"content", "Agenda (service)"}, {"revision", revision}};
        QCOMPARE(m_server
                     ->request("PATCH", serviceBoardPath(board.id) + "/items/" + uuidText(id),
                         QJsonDocument(patch).toJson(), client.account().accessToken)
                     .status,
            200);
        editOffline(client, id, [](LocalItem& item) { item.setContent(QStringLiteral("Agenda (mine)")); });

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        QCOMPARE(stored(client, id)->content(), QStringLiteral("Agenda (service)"));
        QVERIFY(stored(client, id)->didSync());
        QCOMPARE(serviceBoard(*m_server, client, board.id).live.value(id).value("content").toString(),
            QStringLiteral("Agenda (service)"));
        QCOMPARE(client.board(board.id).items.first().content, QStringLiteral("Agenda (service)"));
        // The edit the service refused stays on this computer, beside the item.
        const QList<ConflictCopy> copies = client.workspace().conflictCopies().forBoard(board.id);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(copies.first().itemId, id);
        QCOMPARE(copies.first().content, QStringLiteral("Agenda (mine)"));
    }

    void failedSyncKeepsChangesPending_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("showToast");
        QTest::newRow("status 500, toast") << "status" << true;
        QTest::newRow("status 500, silent") << "status" << false;
        QTest::newRow("connection closed, toast") << "close" << true;
        QTest::newRow("malformed answer, toast") << "malformed" << true;
        // A service that takes fewer items per sync than this client sends.
        QTest::newRow("too many items, toast") << "too many" << true;
    }

    void failedSyncKeepsChangesPending()
    {
        QFETCH(QString, fault);
        QFETCH(bool, showToast);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        const auto checkpoint = client.preferences().get(PreferenceKeys::checkpoint(board.id));
        const Item pending = client.newItem(client.board(board.id), QStringLiteral("Offline"));
        QVERIFY(client.storeItem(pending));
        client.toasts().setToast(std::nullopt);

        const QString path = serviceBoardPath(board.id) + QStringLiteral("/sync");
        if (fault == QLatin1String("status"))
            QVERIFY(m_server->failNext(1, 500, path));
        else if (fault == QLatin1String("too many"))
            QVERIFY(m_server->failNext(1, 413, path,
                QByteArray(R"({"status":413,"code":"TOO_MANY_ITEMS","message":"At most 0 items."})")));
        else if (fault == QLatin1String("close"))
            QVERIFY(m_server->closeNext(1, path));
        else
            QVERIFY(m_server->malformedNext(1, path));

        QVERIFY(!QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), showToast)));
        QCOMPARE(client.pendingCount(board.id), 1);
        QCOMPARE(client.preferences().get(PreferenceKeys::checkpoint(board.id)), checkpoint);
        QCOMPARE(refreshState(client, board.id), std::optional(BoardRefreshState::failure));
        QVERIFY(client.workspace().syncingBoards().isEmpty());
        QVERIFY(client.workspace().findBoard(board.id));
        QCOMPARE(client.toastType(), showToast ? std::optional(ToastType::error) : std::nullopt);
        if (showToast)
            QVERIFY(!client.toastText().isEmpty());
        if (fault == QLatin1String("too many"))
            QVERIFY2(
                client.toastText().contains(QStringLiteral("stay unsent")), qPrintable(client.toastText()));
        QCOMPARE(client.lastEvent()->properties.value(QStringLiteral("result")).toString(),
            QStringLiteral("failure"));
        QVERIFY(serviceBoard(*m_server, client, board.id).live.isEmpty());

        // The failure indicator stays until the next sync, which sends the change.
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        QCOMPARE(client.pendingCount(board.id), 0);
        QVERIFY(serviceBoard(*m_server, client, board.id).live.contains(pending.id));
    }

    void secondSyncOfABoardWaitsOrIsTurnedAway_data()
    {
        QTest::addColumn<bool>("userAsked");
        QTest::newRow("quiet sync turned away") << false;
        QTest::newRow("Refresh runs after, with its toast") << true;
    }

    void secondSyncOfABoardWaitsOrIsTurnedAway()
    {
        QFETCH(bool, userAsked);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        client.toasts().setToast(std::nullopt);
        QVERIFY(m_server->delayNext(1, 400, serviceBoardPath(board.id) + QStringLiteral("/sync")));

        auto first = client.workspace().syncBoard(board, false);
        QVERIFY(client.workspace().syncingBoards().contains(board.id));
        QCOMPARE(refreshState(client, board.id), std::optional(BoardRefreshState::refreshing));
        auto second = client.workspace().syncBoard(board, userAsked);
        QCOMPARE(second.isReady(), !userAsked);
        QCOMPARE(QCoro::waitFor(second), userAsked);
        // Never two syncs of one board at once: a queued one ends only after the first did, a
        // turned-away one at once.
        QCOMPARE(first.isReady(), userAsked);
        QVERIFY(QCoro::waitFor(first));
        QCOMPARE(client.lastToast().has_value(), userAsked);
        if (userAsked)
            QCOMPARE(client.lastToast()->message, QStringLiteral("Board refreshed"));
        QCOMPARE(requestsTo(*m_server, uuidText(board.id) + QStringLiteral("/sync")), userAsked ? 2 : 1);
    }

    // Short delays through the reset parameter; a sync uses 3 seconds.
    void successIndicatorClearsItselfUnlessReplaced_data()
    {
        QTest::addColumn<std::optional<BoardRefreshState>>("next");
        QTest::addColumn<std::optional<BoardRefreshState>>("expected");
        QTest::newRow("nothing follows")
            << std::optional<BoardRefreshState>() << std::optional<BoardRefreshState>();
        QTest::newRow("a new sync starts")
            << std::optional(BoardRefreshState::refreshing) << std::optional(BoardRefreshState::refreshing);
        QTest::newRow("a sync fails")
            << std::optional(BoardRefreshState::failure) << std::optional(BoardRefreshState::failure);
    }

    void successIndicatorClearsItselfUnlessReplaced()
    {
        QFETCH(std::optional<BoardRefreshState>, next);
        QFETCH(std::optional<BoardRefreshState>, expected);
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        BoardViewModel& workspace = client.workspace();
        const QUuid boardId = QUuid::createUuid();
        const QUuid otherId = QUuid::createUuid();
        workspace.setRefreshState(BoardRefreshState::failure, otherId);

        workspace.setRefreshState(BoardRefreshState::success, boardId, 0.15);
        QCOMPARE(refreshState(client, boardId), std::optional(BoardRefreshState::success));
        if (next)
            workspace.setRefreshState(next, boardId);
        QTest::qWait(300);
        QCOMPARE(refreshState(client, boardId), expected);
        QCOMPARE(refreshState(client, otherId), std::optional(BoardRefreshState::failure));

        // A success replaced by a newer success keeps the newer timer only.
        workspace.setRefreshState(BoardRefreshState::success, boardId, 0.15);
        workspace.setRefreshState(BoardRefreshState::success, boardId, 5.0);
        QTest::qWait(300);
        QCOMPARE(refreshState(client, boardId), std::optional(BoardRefreshState::success));
        workspace.setRefreshState(std::nullopt, boardId, 0.1);
        QVERIFY(!refreshState(client, boardId));
    }

    void successIndicatorTimerDiesWithTheWorkspace()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        client.workspace().setRefreshState(BoardRefreshState::success, QUuid::createUuid(), 0.05);
        client.reopen(); // a new workspace; the old one's timer must not fire into freed memory
        QTest::qWait(200);
        QVERIFY(client.workspace().boardRefreshStates().isEmpty());
    }

    void syncAllCloudBoards_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<ToastType>("type");
        QTest::newRow("all synced") << true << QStringList {} << "Synced all cloud boards"
                                    << ToastType::success;
        QTest::newRow("one fails") << true << QStringList {"Two"} << "Some boards failed to sync"
                                   << ToastType::error;
        QTest::newRow("all fail") << true << QStringList {"One", "Two"} << "Failed to sync cloud boards"
                                  << ToastType::error;
        QTest::newRow("no archived cloud boards")
            << false << QStringList {} << "No cloud boards to sync." << ToastType::info;
    }

    void syncAllCloudBoards()
    {
        QFETCH(bool, active);
        QFETCH(QStringList, failing);
        QFETCH(QString, toast);
        QFETCH(ToastType, type);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        QHash<QString, QUuid> ids;
        for (const QString& name : {QStringLiteral("One"), QStringLiteral("Two")})
            ids.insert(name, client.createBoard(name, StorageOption::cloud).id);
        QCoro::waitFor(client.workspace().createBoard(QStringLiteral("Home"), StorageOption::local));
        for (const QString& name : failing)
            QVERIFY(m_server->failNext(1, 500, serviceBoardPath(ids.value(name)) + QStringLiteral("/sync")));

        const int syncsBefore = requestsTo(*m_server, QStringLiteral("/sync"));
        QCoro::waitFor(client.workspace().syncAllCloudBoards(active));
        QCOMPARE(client.toastText(), toast);
        QCOMPARE(client.toastType(), std::optional(type));
        const int syncs = requestsTo(*m_server, QStringLiteral("/sync")) - syncsBefore;
        QCOMPARE(syncs, active ? 2 : 0);
        for (auto it = ids.cbegin(); it != ids.cend(); ++it) {
            const auto expected = !active    ? std::optional<BoardRefreshState>()
                : failing.contains(it.key()) ? std::optional(BoardRefreshState::failure)
                                             : std::optional(BoardRefreshState::success);
            QCOMPARE(refreshState(client, it.value()), expected);
        }
    }

    void refreshBoardsFromServer()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board keep = client.createBoard(QStringLiteral("Keep"), StorageOption::cloud);
        const Board gone = client.createBoard(QStringLiteral("Gone"), StorageOption::cloud);
        QCoro::waitFor(client.workspace().createBoard(QStringLiteral("Home"), StorageOption::local));
        QCOMPARE(m_server->request("DELETE", serviceBoardPath(gone.id), std::nullopt, client.account().accessToken)
                     .status,
            204);
        const auto created = m_server->request("POST", QStringLiteral("/api/boards"),
            QJsonDocument(QJsonObject {{"name", "From elsewhere"}}).toJson(), client.account().accessToken);
        QCOMPARE(created.status, 200);
        const QUuid newId = QUuid::fromString(created.object().value("id").toString());

        QCoro::waitFor(client.workspace().refreshBoardsFromServer(true));
        QCOMPARE(boardNames(client.workspace().boards()), (QStringList {"Keep", "Home", "From elsewhere"}));
        QVERIFY(!LocalDataService::fetchLocalBoards(client.store())->contains(gone));
        QVERIFY(client.workspace().findBoard(newId)->syncWithServer);
        QCOMPARE(client.toastText(), QStringLiteral("Boards refreshed"));
        QVERIFY(client.workspace().findBoard(keep.id));
    }

    void failedBoardListRefreshChangesNothing_data()
    {
        QTest::addColumn<bool>("showToast");
        QTest::newRow("toast") << true;
        QTest::newRow("silent") << false;
    }

    void failedBoardListRefreshChangesNothing()
    {
        QFETCH(bool, showToast);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QCOMPARE(m_server->request("DELETE", serviceBoardPath(board.id), std::nullopt, client.account().accessToken)
                     .status,
            204);
        client.toasts().setToast(std::nullopt);
        QVERIFY(m_server->failNext(1, 503, QStringLiteral("/api/boards")));

        QCoro::waitFor(client.workspace().refreshBoardsFromServer(showToast));
        QVERIFY(client.workspace().findBoard(board.id));
        QVERIFY(LocalDataService::fetchLocalBoards(client.store())->contains(board));
        QCOMPARE(client.toastType(), showToast ? std::optional(ToastType::error) : std::nullopt);
    }

    // The owner removes this client's account; the next operation of the member finds out.
    void revokedBoardIsRemoved_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("sync") << "sync";
        QTest::newRow("details on selection") << "select";
        QTest::newRow("sync of all boards") << "syncAll";
    }

    void revokedBoardIsRemoved()
    {
        QFETCH(QString, operation);
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient member(m_server.get(), QStringLiteral("member@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        addOnService(*m_server, owner, board.id, QStringLiteral("Shared item"));
        QVERIFY(shareBoard(owner, member, board));
        QCoro::waitFor(member.workspace().createBoard(QStringLiteral("Mine"), StorageOption::local));

        BoardViewModel& workspace = member.workspace();
        QCoro::waitFor(workspace.selectBoard(board.id));
        QVERIFY(QCoro::waitFor(workspace.syncBoard(member.board(board.id), false)));
        QCOMPARE(member.board(board.id).items.size(), 1);
        workspace.setQuickCaptureBoard(member.board(board.id));
        workspace.setBoardHighlight(board.id);
        member.preferences().set(std::optional(board.id), PreferenceKeys::selectedBoardId());
        QCOMPARE(workspace.selectedBoard().id, board.id);

        QVERIFY(removeMember(*m_server, owner, board.id, member.userId()));
        if (operation == QLatin1String("sync"))
            QVERIFY(!QCoro::waitFor(workspace.syncBoard(member.board(board.id), true)));
        else if (operation == QLatin1String("select"))
            QCoro::waitFor(workspace.selectBoard(board.id));
        else
            QCoro::waitFor(workspace.syncAllCloudBoards(true));

        QVERIFY(!workspace.findBoard(board.id));
        QVERIFY(!LocalDataService::fetchLocalBoards(member.store())->contains(board));
        QCOMPARE(member.store().countItems(ItemQuery::onBoard(board.id)).value_or(-1), 0);
        QCOMPARE(workspace.selectedBoard().name, QStringLiteral("Mine"));
        QVERIFY(!workspace.quickCaptureBoardId());
        QVERIFY(!member.preferences().contains(PreferenceKeys::quickCaptureId().name));
        QVERIFY(!member.preferences().contains(PreferenceKeys::selectedBoardId().name));
        QVERIFY(!member.preferences().get(PreferenceKeys::checkpoint(board.id)));
        QVERIFY(!workspace.highlightedBoards().contains(board.id));
        QVERIFY(!workspace.shouldHighlightRefresh());
        QVERIFY(!workspace.boardRefreshStates().contains(board.id));
        QVERIFY(workspace.syncingBoards().isEmpty());
        if (operation == QLatin1String("syncAll")) {
            QCOMPARE(member.toastText(), QStringLiteral("Failed to sync cloud boards"));
        } else {
            QCOMPARE(member.toastText(),
                QStringLiteral("Access to \"Plans\" was revoked. The board has been removed."));
            QCOMPARE(member.toastType(), std::optional(ToastType::info));
        }
    }

    void detailsShowChangesByOthers()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient member(m_server.get(), QStringLiteral("member@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        QVERIFY(shareBoard(owner, member, board));
        QCoro::waitFor(member.workspace().selectBoard(board.id));
        QVERIFY(!member.workspace().shouldHighlightRefresh());
        QCOMPARE(member.board(board.id).users.size(), 2);
        QVERIFY(member.board(board.id).isOwnedBy(owner.userId()));

        addOnService(*m_server, owner, board.id, QStringLiteral("News"));
        QCoro::waitFor(member.workspace().refreshBoardDetails(member.board(board.id)));
        QVERIFY(member.workspace().highlightedBoards().contains(board.id));
        QVERIFY(member.workspace().shouldHighlightRefresh());
        QCOMPARE(member.preferences().get(PreferenceKeys::highlightedBoards()), QSet<QUuid> {board.id});

        // Pulling the change clears the highlight; the next details refresh finds nothing new.
        QVERIFY(QCoro::waitFor(member.workspace().syncBoard(member.board(board.id), false)));
        QVERIFY(!member.workspace().shouldHighlightRefresh());
        QCoro::waitFor(member.workspace().refreshBoardDetails(member.board(board.id)));
        QVERIFY(!member.workspace().shouldHighlightRefresh());
    }

    void signOutClearsCloudData()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        QCoro::waitFor(client.workspace().createBoard(QStringLiteral("Home"), StorageOption::local));
        const Board team = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        const Board other = client.createBoard(QStringLiteral("Other"), StorageOption::cloud);
        addOnService(*m_server, client, team.id, QStringLiteral("Shared"));
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(team.id), false)));
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(other.id), false)));
        QCoro::waitFor(client.workspace().selectBoard(team.id));
        const Board home = *client.workspace().displayedBoards().begin();
        QCOMPARE(home.name, QStringLiteral("Home"));
        const QUuid unrelated = QUuid::createUuid();
        client.preferences().set(QSet<QUuid> {team.id, unrelated}, PreferenceKeys::highlightedBoards());
        client.workspace().loadBoards(true);
        QVERIFY(client.workspace().shouldHighlightRefresh());

        client.workspace().clearCloudDataAfterSignOut();
        QCOMPARE(client.workspace().boards().size(), 1);
        QCOMPARE(client.workspace().selectedBoard().id, home.id);
        QCOMPARE(client.preferences().get(PreferenceKeys::selectedBoardId()), std::optional(home.id));
        QCOMPARE(LocalDataService::fetchLocalBoards(client.store())->size(), 1);
        QCOMPARE(client.store().countItems(ItemQuery::onBoard(team.id)).value_or(-1), 0);
        QVERIFY(!client.preferences().get(PreferenceKeys::checkpoint(team.id)));
        QVERIFY(!client.preferences().get(PreferenceKeys::checkpoint(other.id)));
        QCOMPARE(client.workspace().highlightedBoards(), QSet<QUuid> {unrelated});
        QCOMPARE(client.preferences().get(PreferenceKeys::highlightedBoards()), QSet<QUuid> {unrelated});
        QVERIFY(client.workspace().boardRefreshStates().isEmpty());
        QVERIFY(!client.workspace().shouldHighlightRefresh());
        QCOMPARE(client.toastText(), QStringLiteral("Signed out. Local sync data cleared."));
        QCOMPARE(client.toastType(), std::optional(ToastType::success));
    }

    // The store reports a failed removal to the workspace, which tells the user instead of claiming
    // the data was cleared; what belongs to the boards left on disk (checkpoint, conflict copy,
    // pending description) stays with them.
    void signOutShowsAStoreFailure()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ben@example.com"));
        const Board team = client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
        QVERIFY(!team.id.isNull());
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(team.id), false)));
        QVERIFY(PendingBoardInfoStore::set(team.id, QStringLiteral("Ours"), client.store()));
        Item mine = client.newItem(team, QStringLiteral("My version"));
        client.workspace().conflictCopies().keep(ConflictCopy::of(mine, ConflictReason::replaced, team.name));
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(client.store().fileName().toUtf8().constData(), &other), SQLITE_OK);
        const int dropped = sqlite3_exec(other, "DROP TABLE local_item", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(dropped, SQLITE_OK);
        LogCapture log;

        client.workspace().clearCloudDataAfterSignOut();
        QCOMPARE(client.toastType(), std::optional(ToastType::error));
        QVERIFY2(client.toastText().startsWith(QStringLiteral("Signed out, but the cloud boards could not be removed"))
                && client.toastText().contains(QStringLiteral("local_item")),
            qPrintable(client.toastText()));
        QCOMPARE(log.lines().filter(client.toastText()).size(), 1);
        QVERIFY(client.preferences().get(PreferenceKeys::checkpoint(team.id)));
        QCOMPARE(client.workspace().conflictCopies().all().size(), 1);
        QCOMPARE(PendingBoardInfoStore::get(team.id, client.store()), std::optional(QStringLiteral("Ours")));
        QVERIFY(client.workspace().boards().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SyncTest)
#include "SyncTest.moc"
