// Changes the service did not take, against the stand-in service with real store files: an edit
// refused as stale, a new item refused outright, a board revoked while it held unsent changes, a
// board description that did not get through, a failed rename, and sign-out with unsent changes.
// In every case the user's text stays on this computer: as the item, as a conflict copy, or in the
// file written before sign-out clears the cloud data.
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/PendingBoardInfoStore.h"
#include "support/DevServerTestCase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString serviceContent(DevServer& server, const WorkspaceClient& client, const QUuid& boardId, const QUuid& itemId)
{
    return serviceBoard(server, client, boardId).live.value(itemId).value(QStringLiteral("content")).toString();
}
}

class UnsentChangesTest : public DevServerTestCase
{
    Q_OBJECT

private:
    // The board shared by both clients, synced by both.
    bool share(WorkspaceClient& owner, WorkspaceClient& member, const Board& board)
    {
        return shareBoard(owner, member, board)
            && QCoro::waitFor(member.workspace().syncBoard(member.board(board.id), false));
    }

    Item addItem(WorkspaceClient& client, const QUuid& boardId, const QString& content)
    {
        const Item item = client.newItem(client.board(boardId), content);
        QCoro::waitFor(client.workspace().addItem(item, client.board(boardId)));
        return client.storedItem(item.id).value_or(Item {});
    }

private Q_SLOTS:
    // The service holds a newer revision (another member's edit, or an earlier edit whose answer was
    // lost): the edit is refused with 409. The item shows the service's copy at once, nothing stays
    // pending with a revision known to be refused, and the user's text is a conflict copy that
    // survives a restart and can be restored on top of the service's revision.
    void staleEditBecomesConflictCopyAndCanBeRestored()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient member(m_server.get(), QStringLiteral("member@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        const Item original = addItem(owner, board.id, QStringLiteral("Original"));
        QVERIFY(original.didSync);
        QVERIFY(share(owner, member, board));

        Item ownersEdit = original;
        ownersEdit.content = QStringLiteral("Owner's text");
        QCoro::waitFor(owner.workspace().updateItem(ownersEdit));
        QVERIFY(owner.storedItem(original.id)->didSync);

        Item membersEdit = *member.storedItem(original.id);
        membersEdit.content = QStringLiteral("Member's text");
        QCoro::waitFor(member.workspace().updateItem(membersEdit));

        const auto shown = member.storedItem(original.id);
        QVERIFY(shown);
        QCOMPARE(shown->content, QStringLiteral("Owner's text"));
        QVERIFY(shown->didSync);
        QCOMPARE(member.pendingCount(board.id), 0);
        const QList<ConflictCopy> copies = member.workspace().conflictCopies().forBoard(board.id);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(copies.first().itemId, original.id);
        QCOMPARE(copies.first().content, QStringLiteral("Member's text"));
        QCOMPARE(copies.first().boardName, QStringLiteral("Plans"));
        QVERIFY(member.workspace().conflictCopies().hasCopyOf(original.id));
        QCOMPARE(member.lastToast()->type, ToastType::info);
        QVERIFY(member.lastToast()->message.startsWith(QStringLiteral("Couldn't update the item. Updated locally. ")));

        member.reopen();
        member.workspace().loadBoards(true);
        QCOMPARE(member.workspace().conflictCopies().forBoard(board.id).size(), 1);

        QCoro::waitFor(member.workspace().restoreConflictCopy(copies.first().id, board.id));
        QCOMPARE(serviceContent(*m_server, member, board.id, original.id), QStringLiteral("Member's text"));
        QCOMPARE(member.storedItem(original.id)->content, QStringLiteral("Member's text"));
        QVERIFY(member.storedItem(original.id)->didSync);
        QVERIFY(member.workspace().conflictCopies().all().isEmpty());
        QCOMPARE(member.lastToast()->message, QStringLiteral("Item updated"));
    }

    // A new item the service refuses (its assignee is no member) is listed only as conflicted. It is
    // never marked synced: its text becomes a conflict copy and it leaves the board, so nothing is
    // sent again and again, and sign-out cannot delete it unseen.
    void refusedNewItemBecomesConflictCopy()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        Item item = client.newItem(board, QStringLiteral("Ask a stranger"));
        item.assignee = QUuid::createUuid();
        QCoro::waitFor(client.workspace().addItem(item, board));
        QCOMPARE(client.storedItem(item.id)->didSync, false);

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        QVERIFY(!client.storedItem(item.id));
        QCOMPARE(client.pendingCount(board.id), 0);
        const QList<ConflictCopy> copies = client.workspace().conflictCopies().forBoard(board.id);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(copies.first().content, QStringLiteral("Ask a stranger"));
        QCOMPARE(copies.first().reason, ConflictReason::refused);

        // Restored as a new item; the assignee is what the service refused, so it goes as it is and
        // is refused again, which keeps a new copy rather than losing the text.
        QCoro::waitFor(client.workspace().restoreConflictCopy(copies.first().id, board.id));
        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        QCOMPARE(client.workspace().conflictCopies().forBoard(board.id).size(), 1);
        QCOMPARE(client.workspace().conflictCopies().forBoard(board.id).first().content, QStringLiteral("Ask a stranger"));
    }

    // A board revoked while it held unsent changes: the board goes, the changes stay as conflict
    // copies naming the board, listed with every board until discarded, and discarding is for good.
    void revokedBoardKeepsUnsentChangesAsCopies()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient member(m_server.get(), QStringLiteral("member@example.com"));
        const Board board = owner.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        const Item item = addItem(owner, board.id, QStringLiteral("Shared"));
        QVERIFY(share(owner, member, board));
        QCoro::waitFor(member.workspace().createBoard(QStringLiteral("Mine"), StorageOption::local));

        QVERIFY(m_server->failNext(1, 503, serviceBoardPath(board.id)));
        Item edit = *member.storedItem(item.id);
        edit.content = QStringLiteral("Offline thought");
        QCoro::waitFor(member.workspace().updateItem(edit));
        QCOMPARE(member.pendingCount(board.id), 1);
        Board described = member.board(board.id);
        described.info = QStringLiteral("Member's notes");
        QVERIFY(m_server->failNext(1, 503, serviceBoardPath(board.id)));
        QCoro::waitFor(member.workspace().updateBoard(described));

        QVERIFY(removeMember(*m_server, owner, board.id, member.userId()));
        QVERIFY(!QCoro::waitFor(member.workspace().syncBoard(member.board(board.id), false)));
        QVERIFY(!member.workspace().findBoard(board.id));
        QCOMPARE(member.store().countItems(ItemQuery::onBoard(board.id)).value_or(-1), 0);
        QCOMPARE(member.lastToast()->message, QStringLiteral("Access to \"Plans\" was revoked. The board has been removed."));

        QSet<QUuid> known;
        for (const Board& kept : member.workspace().boards())
            known.insert(kept.id);
        QList<ConflictCopy> orphans = member.workspace().conflictCopies().orphans(known);
        std::sort(orphans.begin(), orphans.end(),
            [](const ConflictCopy& a, const ConflictCopy& b) { return a.content < b.content; });
        QCOMPARE(orphans.size(), 2);
        QCOMPARE(orphans[0].content, QStringLiteral("Member's notes"));
        QCOMPARE(orphans[1].content, QStringLiteral("Offline thought"));
        for (const ConflictCopy& copy : std::as_const(orphans)) {
            QCOMPARE(copy.boardName, QStringLiteral("Plans"));
            QCOMPARE(copy.reason, ConflictReason::boardRevoked);
        }
        QVERIFY(!PendingBoardInfoStore::get(board.id, member.store()));

        for (const ConflictCopy& copy : std::as_const(orphans))
            member.workspace().discardConflictCopy(copy.id);
        member.reopen();
        QVERIFY(member.workspace().conflictCopies().all().isEmpty());
    }

    // A description that did not reach the service stays here, without a word, through a refresh
    // and goes out with the next sync of the board.
    void failedDescriptionIsSentWithTheNextSync()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        Board described = client.board(board.id);
        described.info = QStringLiteral("Quarterly goals");
        client.toasts().setToast(std::nullopt);
        QVERIFY(m_server->failNext(1, 503, serviceBoardPath(board.id)));
        QCoro::waitFor(client.workspace().updateBoard(described));
        QVERIFY(!client.lastToast());
        QCOMPARE(LocalDataService::fetchLocalCloudBoards(client.store())->first().info, described.info);

        QCoro::waitFor(client.workspace().refreshBoardsFromServer(false));
        QCOMPARE(client.board(board.id).info, std::optional(QStringLiteral("Quarterly goals")));
        QCoro::waitFor(client.workspace().refreshBoardDetails(client.board(board.id)));
        QCOMPARE(client.board(board.id).info, std::optional(QStringLiteral("Quarterly goals")));

        QVERIFY(QCoro::waitFor(client.workspace().syncBoard(client.board(board.id), false)));
        const auto reply = m_server->request("GET", serviceBoardPath(board.id), std::nullopt, client.account().accessToken);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.object().value(QStringLiteral("board"))[QStringLiteral("info")].toString(), QStringLiteral("Quarterly goals"));
        client.reopen();
        QCoro::waitFor(client.workspace().refreshBoardsFromServer(false));
        QCOMPARE(client.board(board.id).info, std::optional(QStringLiteral("Quarterly goals")));
    }

    // A rename the service refused is not left here to be undone without a word by the next refresh:
    // the old name comes back at once, and the error says why.
    void failedRenameKeepsTheServiceName()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Plans"), StorageOption::cloud);
        Board renamed = client.board(board.id);
        renamed.name = QStringLiteral("Better plans");
        QVERIFY(m_server->failNext(1, 503, serviceBoardPath(board.id),
            QByteArray(R"({"status":503,"code":"SERVICE_DOWN","message":"Service is down"})")));
        QCoro::waitFor(client.workspace().renameBoard(renamed));
        QCOMPARE(client.board(board.id).name, QStringLiteral("Plans"));
        QCOMPARE(LocalDataService::fetchLocalCloudBoards(client.store())->first().name, QStringLiteral("Plans"));
        QCOMPARE(client.lastToast()->type, ToastType::error);
        QCOMPARE(client.lastToast()->message, QStringLiteral("Service is down"));
    }

    // Sign-out counts what has not reached the service (pending items, items of a board that vanished
    // from the service, conflict copies), writes them to a Markdown file, and then clears every piece
    // of cloud data: orphans included, local boards untouched.
    void signOutSavesUnsentChangesThenClearsOrphansToo()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const Board kept = client.createBoard(QStringLiteral("Kept"), StorageOption::cloud);
        const Board vanishing = client.createBoard(QStringLiteral("Vanishing"), StorageOption::cloud);
        const Board local = client.createBoard(QStringLiteral("Home"), StorageOption::local);
        const Item localItem = addItem(client, local.id, QStringLiteral("Local only"));
        addItem(client, kept.id, QStringLiteral("Synced"));
        QVERIFY(m_server->failNext(1, 503, serviceBoardPath(kept.id)));
        const Item pending = addItem(client, kept.id, QStringLiteral("Pending *note*\nsecond line"));
        QVERIFY(m_server->failNext(1, 503, serviceBoardPath(vanishing.id)));
        const Item orphan = addItem(client, vanishing.id, QStringLiteral("Orphaned thought"));
        QVERIFY(!pending.didSync && !orphan.didSync);
        Item conflicted = pending;
        conflicted.content = QStringLiteral("My other version");
        client.workspace().conflictCopies().keep(ConflictCopy::of(conflicted, ConflictReason::replaced, QStringLiteral("Kept")));

        QCOMPARE(m_server->request("DELETE", serviceBoardPath(vanishing.id), std::nullopt, client.account().accessToken).status, 204);
        QCoro::waitFor(client.workspace().refreshBoardsFromServer(false));
        QVERIFY(!client.workspace().findBoard(vanishing.id));

        QVERIFY(PendingBoardInfoStore::set(kept.id, QStringLiteral("Plans for *spring*"), client.store()));

        const BoardViewModel::UnsentChanges unsent = client.workspace().unsentChanges();
        QCOMPARE(unsent.items, 2);
        QCOMPARE(unsent.conflictCopies, 1);
        QCOMPARE(unsent.boardDescriptions, 1);

        QTemporaryDir folder;
        const auto saved = client.workspace().exportUnsentChanges(folder.filePath(QStringLiteral("data")));
        QVERIFY2(saved, qPrintable(saved.error()));
        QVERIFY(saved->startsWith(folder.filePath(QStringLiteral("data"))));
        QVERIFY(saved->endsWith(QStringLiteral(".md")));
        QFile file(*saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY2(text.contains(QStringLiteral("## Kept (")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("> Pending *note*\n> second line")));
        QVERIFY(text.contains(QStringLiteral("> Orphaned thought")));
        QVERIFY(text.contains(QStringLiteral("> My other version")));
        QVERIFY(text.contains(QStringLiteral("### Board description, not yet on the service\n\n> Plans for *spring*")));
        QVERIFY(!text.contains(QStringLiteral("Local only")));
        QVERIFY(!text.contains(QStringLiteral("> Synced")));

        client.workspace().clearCloudDataAfterSignOut();
        ItemQuery everything;
        const auto left = client.store().fetchItems(everything);
        QVERIFY(left);
        QCOMPARE(left->size(), 1);
        QCOMPARE(left->first()->id(), localItem.id);
        QVERIFY(client.workspace().conflictCopies().all().isEmpty());
        QVERIFY(client.workspace().unsentChanges().isEmpty());
        QCOMPARE(client.lastToast()->message, QStringLiteral("Signed out. Local sync data cleared."));
    }
};

QTEST_GUILESS_MAIN(UnsentChangesTest)
#include "UnsentChangesTest.moc"
