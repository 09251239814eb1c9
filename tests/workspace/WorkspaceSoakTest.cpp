// Long mixed runs against plenko-devserver. The first drives random item operations on two cloud
// boards with injected faults and syncs in between, then checks that the client and the service
// agree field by field and that no change of the user was lost. The second keeps two clients on one
// shared board and checks that each sees the other's changes and is told about them.
// PLENKO_SOAK_SEED picks another seed; the figures of the run are printed.
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "domain/IsoDate.h"
#include "store/LocalDataService.h"
#include "support/DevServerTestCase.h"
#include "support/ServiceItemDifferences.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTest>

namespace {
constexpr int operationCount = 300;
constexpr qint64 timeBudgetMs = 60000;

// What the user last made of an item, as the test remembers it.
struct Intended
{
    QString content;
    ItemStatus status = ItemStatus::todo;
    bool archived = false;
    bool deleted = false;
    QUuid boardId;
};

enum class FaultKind { status, close, malformed, delay };
}

class WorkspaceSoakTest : public DevServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void randomOperationsWithFaultsConverge()
    {
        const quint32 seed = qEnvironmentVariableIsSet("PLENKO_SOAK_SEED")
            ? quint32(qEnvironmentVariableIntValue("PLENKO_SOAK_SEED"))
            : 20240501u;
        QRandomGenerator random(seed);
        WorkspaceClient client(m_server.get(), QStringLiteral("soak@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        BoardViewModel& workspace = client.workspace();
        // Small steps, so every sync of more than a few items is written in several transactions.
        workspace.setSyncChunkItems(3);
        const QList<QUuid> boardIds {client.createBoard(QStringLiteral("Alpha"), StorageOption::cloud).id,
            client.createBoard(QStringLiteral("Beta"), StorageOption::cloud).id};
        QVERIFY(!boardIds.contains(QUuid()));

        QHash<QUuid, Intended> intended;
        QSet<QUuid> contested; // also changed on the service behind the client's back
        QHash<QString, int> operations;
        QHash<FaultKind, int> faults;
        int syncsOk = 0;
        int syncsFailed = 0;
        int textCounter = 0;
        int performed = 0;
        // What happened to each item, printed with a failure.
        QHash<QUuid, QStringList> journal;
        QString armedFault;
        auto note = [&](const QUuid& id, const QString& what) {
            journal[id].append(
                QStringLiteral("#%1 %2%3, toast \"%4\"")
                    .arg(performed)
                    .arg(what, armedFault, client.lastToast() ? client.lastToast()->message : QString()));
        };
        auto nextText = [&](const QString& prefix) { return prefix + QString::number(++textCounter); };

        auto liveItems = [&](const QUuid& boardId) {
            QList<Item> items;
            if (const auto board = workspace.findBoard(boardId))
                items = board->undeletedItems();
            return items;
        };
        auto armFault = [&]() {
            if (random.bounded(100) >= 35)
                return;
            const auto kind = FaultKind(random.bounded(4));
            const QString prefix = QStringLiteral("/api/boards");
            bool armed = false;
            switch (kind) {
            case FaultKind::status:
                armed = m_server->failNext(1, random.bounded(2) ? 500 : 503, prefix);
                break;
            case FaultKind::close:
                armed = m_server->closeNext(1, prefix);
                break;
            case FaultKind::malformed:
                armed = m_server->malformedNext(1, prefix);
                break;
            case FaultKind::delay:
                armed = m_server->delayNext(1, 20 + int(random.bounded(180)), prefix);
                break;
            }
            if (armed) {
                ++faults[kind];
                static const char* names[] = {" [status fault]", " [closed]", " [malformed]", " [delay]"};
                armedFault = QLatin1String(names[int(kind)]);
            }
        };

        QElapsedTimer clock;
        clock.start();
        for (; performed < operationCount && clock.elapsed() < timeBudgetMs; ++performed) {
            const QUuid boardId = boardIds.at(int(random.bounded(2)));
            const QList<Item> items = liveItems(boardId);
            const int roll = int(random.bounded(100));
            const std::optional<Item> picked = items.isEmpty()
                ? std::nullopt
                : std::optional(items.at(int(random.bounded(qsizetype(items.size())))));
            armedFault.clear();
            armFault();

            if (roll < 25 || !picked) {
                ++operations[QStringLiteral("add")];
                const Item item = client.newItem(*workspace.findBoard(boardId),
                    nextText(QStringLiteral("Item ")), ItemStatus(random.bounded(3)));
                QCoro::waitFor(workspace.addItem(item, *workspace.findBoard(boardId)));
                intended.insert(item.id, {item.content, item.status, false, false, boardId});
                note(item.id, QStringLiteral("added ") + item.content);
            } else if (roll < 45) {
                ++operations[QStringLiteral("edit")];
                Item edited = *picked;
                edited.content = nextText(QStringLiteral("Edited "));
                QCoro::waitFor(workspace.updateItem(edited));
                intended[edited.id].content = edited.content;
                note(edited.id, QStringLiteral("edited to ") + edited.content);
            } else if (roll < 60) {
                ++operations[QStringLiteral("status")];
                const auto status = ItemStatus((int(picked->status) + 1 + int(random.bounded(2))) % 3);
                const MoveOutcome outcome = QCoro::waitFor(workspace.moveItem(*picked, status));
                // A refused move changes nothing: the item stays in its column.
                if (!outcome.failed)
                    intended[picked->id].status = status;
                note(picked->id,
                    QStringLiteral("status ") + itemStatusText(status) + (outcome.failed ? " refused" : ""));
            } else if (roll < 70) {
                ++operations[QStringLiteral("archive")];
                const bool archive = !picked->isArchived();
                QCoro::waitFor(workspace.setItemArchived(*picked, archive));
                intended[picked->id].archived = archive;
                note(picked->id, archive ? QStringLiteral("archived") : QStringLiteral("unarchived"));
            } else if (roll < 78) {
                ++operations[QStringLiteral("delete")];
                QCoro::waitFor(workspace.deleteItem(*picked));
                intended[picked->id].deleted = true;
                note(picked->id, QStringLiteral("deleted"));
            } else if (roll < 83) {
                ++operations[QStringLiteral("move to board")];
                const QUuid other = boardIds.at(boardIds.indexOf(boardId) == 0 ? 1 : 0);
                const MoveOutcome outcome
                    = QCoro::waitFor(workspace.moveItemToBoard(*picked, *workspace.findBoard(other)));
                if (!outcome.failed)
                    intended[picked->id].boardId = other;
                note(picked->id,
                    QStringLiteral("moved to the other board") + (outcome.failed ? " refused" : ""));
            } else if (roll < 87) {
                // Someone else edits the item on the service: where the client also changed it, the
                // service's copy may legitimately win.
                m_server->clearFaults();
                const auto service = serviceBoard(*m_server, client, boardId).live;
                if (service.contains(picked->id)) {
                    ++operations[QStringLiteral("edit on the service")];
                    const QJsonObject patch {{"content", nextText(QStringLiteral("Elsewhere "))},
                        {"revision", service.value(picked->id).value("revision")}};
                    const auto reply
                        = m_server->request("PATCH", serviceBoardPath(boardId) + "/items/" + uuidText(picked->id),
                            QJsonDocument(patch).toJson(), client.account().accessToken);
                    QCOMPARE(reply.status, 200);
                    contested.insert(picked->id);
                    note(picked->id, QStringLiteral("edited on the service"));
                }
            } else {
                ++operations[QStringLiteral("sync")];
                const bool synced = QCoro::waitFor(workspace.syncBoard(*workspace.findBoard(boardId), false));
                (synced ? syncsOk : syncsFailed)++;
                for (const Item& item : items)
                    note(item.id,
                        synced ? QStringLiteral("board synced") : QStringLiteral("board sync failed"));
            }
            m_server->clearFaults();
            QVERIFY2(workspace.findBoard(boardId), "a board left the workspace");
            QVERIFY(workspace.syncingBoards().isEmpty());
        }

        // Faults off: one more sync of each board brings both sides together.
        for (const QUuid& boardId : boardIds)
            QVERIFY(QCoro::waitFor(workspace.syncBoard(*workspace.findBoard(boardId), false)));

        int compared = 0;
        int intendedChecked = 0;
        for (const QUuid& boardId : boardIds) {
            const auto service = serviceBoard(*m_server, client, boardId).live;
            const auto stored = LocalDataService::fetchLocalItems(boardId, 0, client.store());
            QVERIFY(stored);
            QStringList problems;
            QSet<QUuid> storedIds;
            for (const auto& record : *stored) {
                storedIds.insert(record->id());
                if (!record->didSync())
                    problems.append(QStringLiteral("pending after the last sync: ") + record->content());
                if (record->deletedAt())
                    problems.append(QStringLiteral("tombstone left: ") + record->content());
                if (!service.contains(record->id())) {
                    problems.append(QStringLiteral("only on the client: ") + record->content());
                    continue;
                }
                for (const QString& difference : serviceItemDifferences(*record, service.value(record->id())))
                    problems.append(record->content() + QStringLiteral(" — ") + difference);
                ++compared;
            }
            for (auto it = service.cbegin(); it != service.cend(); ++it) {
                if (!storedIds.contains(it.key()))
                    problems.append(
                        QStringLiteral("only on the service: ") + it.value().value("content").toString());
            }
            // The workspace shows exactly what the store holds.
            QSet<QUuid> shownIds;
            for (const Item& item : workspace.findBoard(boardId)->undeletedItems()) {
                shownIds.insert(item.id);
                if (!storedIds.contains(item.id))
                    problems.append(QStringLiteral("only in the workspace: ") + item.content);
            }
            for (const auto& record : *stored) {
                if (!shownIds.contains(record->id()))
                    problems.append(QStringLiteral("stored but not shown: ") + record->content());
            }

            for (auto it = intended.cbegin(); it != intended.cend(); ++it) {
                if (contested.contains(it.key()))
                    continue;
                const Intended& want = it.value();
                const bool here = service.contains(it.key());
                if (want.deleted || want.boardId != boardId) {
                    if (here)
                        problems.append(QStringLiteral("should be gone from this board: ") + want.content);
                    continue;
                }
                ++intendedChecked;
                if (!here) {
                    problems.append(QStringLiteral("lost: ") + want.content);
                    continue;
                }
                const QJsonObject has = service.value(it.key());
                if (has.value("content").toString() != want.content)
                    problems.append(QStringLiteral("text lost: ") + want.content + QStringLiteral(" became ")
                        + has.value("content").toString());
                if (has.value("status").toString() != itemStatusText(want.status))
                    problems.append(QStringLiteral("status lost: ") + want.content);
                if (has.value("archivedAt").isString() != want.archived)
                    problems.append(QStringLiteral("archive state lost: ") + want.content);
            }
            if (!problems.isEmpty()) {
                for (auto it = journal.cbegin(); it != journal.cend(); ++it) {
                    for (const QString& problem : std::as_const(problems)) {
                        const QString text = intended.value(it.key()).content;
                        if (!text.isEmpty() && problem.contains(text)) {
                            qInfo().noquote()
                                << text
                                << QStringLiteral("history:\n  ") + it.value().join(QStringLiteral("\n  "));
                            break;
                        }
                    }
                }
            }
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        }

        qInfo().noquote() << QStringLiteral("soak seed %1: %2 operations in %3 ms")
                                 .arg(seed)
                                 .arg(performed)
                                 .arg(clock.elapsed());
        QStringList kinds;
        for (auto it = operations.cbegin(); it != operations.cend(); ++it)
            kinds.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
        kinds.sort();
        qInfo().noquote() << QStringLiteral("operations: ") + kinds.join(QStringLiteral(", "));
        qInfo().noquote() << QStringLiteral(
            "faults armed: %1 status, %2 closed connections, %3 malformed, %4 delays")
                                 .arg(faults.value(FaultKind::status))
                                 .arg(faults.value(FaultKind::close))
                                 .arg(faults.value(FaultKind::malformed))
                                 .arg(faults.value(FaultKind::delay));
        qInfo().noquote() << QStringLiteral("syncs during the run: %1 ok, %2 failed; items compared: %3; "
                                            "user changes checked: %4; items also changed elsewhere: %5")
                                 .arg(syncsOk)
                                 .arg(syncsFailed)
                                 .arg(compared)
                                 .arg(intendedChecked)
                                 .arg(contested.size());
        QVERIFY(performed >= 100);
        QVERIFY(faults.value(FaultKind::status) + faults.value(FaultKind::close)
                + faults.value(FaultKind::malformed)
            > 0);
    }

    void twoClientsShareABoard()
    {
        WorkspaceClient owner(m_server.get(), QStringLiteral("owner@example.com"));
        WorkspaceClient member(m_server.get(), QStringLiteral("member@example.com"));
        QVERIFY(owner.isValid() && member.isValid());
        const Board created = owner.createBoard(QStringLiteral("Shared"), StorageOption::cloud);
        QVERIFY(shareBoard(owner, member, created));
        BoardViewModel& mine = owner.workspace();
        BoardViewModel& theirs = member.workspace();
        theirs.setSyncChunkItems(2);
        QCoro::waitFor(mine.selectBoard(created.id));
        QCoro::waitFor(theirs.selectBoard(created.id));
        QVERIFY(QCoro::waitFor(mine.syncBoard(*mine.findBoard(created.id), false)));
        QVERIFY(QCoro::waitFor(theirs.syncBoard(*theirs.findBoard(created.id), false)));

        // The owner works; the member is told that the board changed, and pulls the changes.
        const Item first = owner.addItem(created.id, QStringLiteral("Plan the week"));
        const Item second = owner.addItem(created.id, QStringLiteral("Call the printer"));
        QVERIFY2(!mine.shouldHighlightRefresh(), "the owner's own changes are not news to the owner");
        QVERIFY(!theirs.shouldHighlightRefresh());
        QCoro::waitFor(theirs.refreshBoardDetails(*theirs.findBoard(created.id)));
        QVERIFY(theirs.shouldHighlightRefresh());
        QVERIFY(theirs.highlightedBoards().contains(created.id));

        QVERIFY(QCoro::waitFor(theirs.syncBoard(*theirs.findBoard(created.id), false)));
        QVERIFY(!theirs.shouldHighlightRefresh());
        QCOMPARE(theirs.findBoard(created.id)->undeletedItems().size(), 2);

        // The member edits one item and deletes the other; the owner's next own change skips a
        // revision, so the owner's board is marked as changed by others until it syncs.
        Item edited = *member.shownItem(created.id, first.id);
        edited.content = QStringLiteral("Plan the week with Sam");
        QCoro::waitFor(theirs.updateItem(edited));
        QCoro::waitFor(theirs.deleteItem(*member.shownItem(created.id, second.id)));
        QCOMPARE(theirs.findBoard(created.id)->undeletedItems().size(), 1);

        owner.addItem(created.id, QStringLiteral("Order paper"));
        QVERIFY(mine.shouldHighlightRefresh());
        QVERIFY(QCoro::waitFor(mine.syncBoard(*mine.findBoard(created.id), false)));
        QVERIFY(!mine.shouldHighlightRefresh());
        QVERIFY(QCoro::waitFor(theirs.syncBoard(*theirs.findBoard(created.id), false)));

        auto contents = [](const Board& board) {
            QStringList texts;
            for (const Item& item : board.undeletedItems())
                texts.append(item.content);
            texts.sort();
            return texts;
        };
        const QStringList expected {QStringLiteral("Order paper"), QStringLiteral("Plan the week with Sam")};
        QCOMPARE(contents(*mine.findBoard(created.id)), expected);
        QCOMPARE(contents(*theirs.findBoard(created.id)), expected);
        QCOMPARE(contents(mine.selectedBoard()), expected);
        QVERIFY(!LocalDataService::fetchLocalItem(second.id, owner.store()));
    }
};

QTEST_GUILESS_MAIN(WorkspaceSoakTest)
#include "WorkspaceSoakTest.moc"
