// The application process itself killed with SIGKILL at random moments of a long session of edits on
// a local and a cloud board, with edits made elsewhere on the service and injected service faults.
// After every kill: the store opens and passes SQLite's integrity check, and every change the
// application acknowledged is in it. After every restart: the application is still signed in (its
// tokens came back from the keyring), and one sync brings the cloud board and the service together,
// field by field. PLENKO_SOAK_SEED picks another seed; the figures of the run are printed.
#include "AppProcess.h"
#include "PrivateKeyring.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/StoreContext.h"
#include "support/DevServer.h"
#include "support/ServiceItemDifferences.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {
constexpr int operationLimit = 400;
constexpr qint64 timeBudgetMs = 60000;
constexpr int answerTimeoutMs = 30000;
constexpr int startTimeoutMs = 30000;

// What the user last made of an item, as far as the application acknowledged it.
struct Wanted
{
    QUuid boardId;
    QString content;
    ItemStatus status = ItemStatus::todo;
    bool archived = false;
    bool deleted = false;
};

// The operation in flight when the process was killed, if its answer never came.
struct InFlight
{
    QUuid itemId;
    std::optional<Wanted> before; // absent for an add
    Wanted after;
};

QString integrityOf(const QString& fileName)
{
    sqlite3* database = nullptr;
    if (sqlite3_open_v2(fileName.toUtf8().constData(), &database, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(database));
        sqlite3_close(database);
        return QStringLiteral("cannot open: ") + message;
    }
    QString result;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    else
        result = QString::fromUtf8(sqlite3_errmsg(database));
    sqlite3_finalize(statement);
    sqlite3_close(database);
    return result;
}

bool sameState(const LocalItem& stored, const Wanted& wanted)
{
    return !stored.deletedAt() && stored.content() == wanted.content && stored.status() == wanted.status
        && stored.archivedAt().has_value() == wanted.archived;
}

QString describe(const LocalItem& stored)
{
    return QStringLiteral("\"%1\" %2%3%4")
        .arg(stored.content(), itemStatusText(stored.status()),
            stored.archivedAt() ? QStringLiteral(" archived") : QString(),
            stored.deletedAt() ? QStringLiteral(" deleted") : QString());
}

QString describe(const Wanted& wanted)
{
    return QStringLiteral("\"%1\" %2%3%4")
        .arg(wanted.content, itemStatusText(wanted.status),
            wanted.archived ? QStringLiteral(" archived") : QString(),
            wanted.deleted ? QStringLiteral(" deleted") : QString());
}

}

class AppCrashSoakTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateKeyring> m_keyring;
    std::unique_ptr<DevServer> m_server;

private Q_SLOTS:
    void initTestCase()
    {
        m_keyring = std::make_unique<PrivateKeyring>();
        QVERIFY2(m_keyring->isRunning(), qPrintable(m_keyring->errorString()));
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }

    void killedAtRandomMomentsLosesNothing()
    {
        const quint32 seed = qEnvironmentVariableIsSet("PLENKO_SOAK_SEED")
            ? quint32(qEnvironmentVariableIntValue("PLENKO_SOAK_SEED"))
            : 20240611u;
        QRandomGenerator random(seed);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        // The same account as the application's, signed in elsewhere: it edits behind the app's back.
        const DevServer::Account elsewhere
            = m_server->createAccount(QStringLiteral("soak@example.com"), QStringLiteral("soak"));
        QVERIFY2(elsewhere.isValid(), qPrintable(m_server->errorString()));

        AppProcess app({root.path(), m_server->baseUrl().toString(), m_keyring->busAddress()});
        QVERIFY2(app.start(), qPrintable(app.errorString()));
        auto ready = app.waitForReady(startTimeoutMs);
        QVERIFY2(ready && ready->startsWith(QLatin1String("ready signedIn=0")), qPrintable(app.logTail()));
        auto answer = app.ask(QStringLiteral("signin soak@example.com"), answerTimeoutMs);
        QVERIFY2(answer && answer->startsWith(QLatin1String("ack signin ")),
            qPrintable(answer.value_or(app.logTail())));

        QHash<QString, QUuid> boards;
        for (const QString& kind : {QStringLiteral("local"), QStringLiteral("cloud")}) {
            answer = app.ask(QStringLiteral("board %1 Soak %1").arg(kind), answerTimeoutMs);
            QVERIFY2(answer && answer->startsWith(QLatin1String("ack board ")),
                qPrintable(answer.value_or(app.logTail())));
            boards.insert(kind, QUuid::fromString(answer->section(QLatin1Char(' '), 2, 2)));
        }
        const QUuid localBoard = boards.value(QStringLiteral("local"));
        const QUuid cloudBoard = boards.value(QStringLiteral("cloud"));

        QHash<QUuid, Wanted> wanted;
        QSet<QUuid> contested; // the service's copy may legitimately win for these
        QHash<QString, int> operations;
        int faults = 0;
        int kills = 0;
        int killsBeforeAnswer = 0;
        int killsDuringStart = 0;
        int storeChecks = 0;
        int convergedSyncs = 0;
        int counter = 0;
        std::optional<InFlight> inFlight;
        QStringList history;

        auto apply = [&](const InFlight& operation) { wanted.insert(operation.itemId, operation.after); };

        // The killed process's store: intact, and holding every acknowledged change.
        auto checkStore = [&]() -> QStringList {
            QStringList problems;
            const QString integrity = integrityOf(app.storeFile());
            if (integrity != QLatin1String("ok"))
                return {QStringLiteral("integrity check: ") + integrity};
            auto store = StoreContext::open(app.storeFile());
            if (!store)
                return {QStringLiteral("the store does not open: ") + store.error().message};
            QHash<QUuid, std::shared_ptr<LocalItem>> stored;
            for (const QUuid& boardId : {localBoard, cloudBoard}) {
                const auto items = LocalDataService::fetchLocalItems(boardId, 0, **store);
                if (!items)
                    return {QStringLiteral("items do not load: ") + items.error().message};
                for (const auto& item : *items)
                    stored.insert(item->id(), item);
            }
            // The operation whose answer never came: either its before or its after state is fine.
            if (inFlight) {
                const auto record = stored.value(inFlight->itemId);
                const bool isAfter = inFlight->after.deleted
                    ? (!record || record->deletedAt())
                    : (record && sameState(*record, inFlight->after));
                const bool isBefore = inFlight->before
                    ? (inFlight->before->deleted ? (!record || record->deletedAt())
                                                 : (record && sameState(*record, *inFlight->before)))
                    : !record;
                if (isAfter)
                    apply(*inFlight);
                else if (!isBefore)
                    problems.append(QStringLiteral("interrupted change left neither state: ")
                        + (record ? describe(*record) : QStringLiteral("no record")));
                // The service may have taken the change although the store has not.
                if (!isAfter && inFlight->after.boardId == cloudBoard)
                    contested.insert(inFlight->itemId);
                inFlight.reset();
            }
            for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
                if (contested.contains(it.key()))
                    continue;
                const auto record = stored.value(it.key());
                if (it->deleted) {
                    if (record && !record->deletedAt())
                        problems.append(QStringLiteral("deleted item is back: ") + describe(*record));
                } else if (!record) {
                    problems.append(QStringLiteral("acknowledged item lost: ") + describe(*it));
                } else if (!sameState(*record, *it)) {
                    problems.append(QStringLiteral("acknowledged change lost: wanted %1, stored %2")
                                        .arg(describe(*it), describe(*record)));
                }
            }
            for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
                if (!wanted.contains(it.key()) && !contested.contains(it.key()) && !(*it)->deletedAt())
                    problems.append(QStringLiteral("item from nowhere: ") + describe(**it));
            }
            ++storeChecks;
            return problems;
        };

        // After a restart: still signed in, and one sync makes the cloud board equal to the service.
        auto restartAndConverge = [&]() -> QStringList {
            if (!app.start())
                return {app.errorString()};
            const auto started = app.waitForReady(startTimeoutMs);
            if (!started || !started->startsWith(QLatin1String("ready signedIn=1"))) {
                qInfo().noquote() << app.logTail();
                // A lock file the killed process left behind holds a start until Qt calls it stale.
                QStringList locks;
                QDirIterator files(root.path(), {QStringLiteral("*.lock")}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
                while (files.hasNext()) {
                    const QString path = files.next();
                    locks.append(QStringLiteral("%1 (%2 bytes)").arg(path).arg(QFileInfo(path).size()));
                }
                return {QStringLiteral("not signed in after the restart: %1; lock files: %2")
                            .arg(started.value_or(
                                     app.isRunning() ? QStringLiteral("no answer") : QStringLiteral("ended")),
                                locks.isEmpty() ? QStringLiteral("none") : locks.join(QStringLiteral(", ")))};
            }
            const auto synced = app.ask(QStringLiteral("sync"), answerTimeoutMs);
            if (synced != QStringLiteral("ack sync 1 0"))
                return {QStringLiteral("the sync after the restart: ") + synced.value_or(app.logTail())};
            auto store = StoreContext::open(app.storeFile());
            if (!store)
                return {store.error().message};
            const auto items = LocalDataService::fetchLocalItems(cloudBoard, 0, **store);
            if (!items)
                return {items.error().message};
            const auto service = m_server->boardContents(cloudBoard, elsewhere.accessToken).live;
            QStringList problems;
            QSet<QUuid> seen;
            for (const auto& item : *items) {
                seen.insert(item->id());
                if (!item->didSync() || item->deletedAt())
                    problems.append(QStringLiteral("still pending after the sync: ") + describe(*item));
                else if (!service.contains(item->id()))
                    problems.append(QStringLiteral("only in the store: ") + describe(*item));
                else
                    for (const QString& difference : serviceItemDifferences(*item, service.value(item->id())))
                        problems.append(item->content() + QStringLiteral(" — ") + difference);
            }
            for (auto it = service.cbegin(); it != service.cend(); ++it) {
                if (!seen.contains(it.key()))
                    problems.append(
                        QStringLiteral("only on the service: ") + it->value("content").toString());
            }
            // What the sync brought settles the contested items.
            for (const auto& item : *items) {
                if (contested.contains(item->id()))
                    wanted.insert(item->id(),
                        {cloudBoard, item->content(), item->status(), item->archivedAt().has_value(), false});
            }
            for (const QUuid& id : std::as_const(contested)) {
                if (!seen.contains(id))
                    wanted.insert(id, Wanted {cloudBoard, {}, {}, false, true});
            }
            contested.clear();
            ++convergedSyncs;
            return problems;
        };

        QElapsedTimer clock;
        clock.start();
        int performed = 0;
        for (; performed < operationLimit && clock.elapsed() < timeBudgetMs; ++performed) {
            const QUuid boardId = random.bounded(2) ? cloudBoard : localBoard;
            QList<QUuid> live;
            for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
                if (it->boardId == boardId && !it->deleted && !contested.contains(it.key()))
                    live.append(it.key());
            }
            std::sort(live.begin(), live.end());
            const int roll = int(random.bounded(100));
            InFlight operation;
            QString command;
            if (roll < 30 || live.isEmpty()) {
                operation.itemId = QUuid::createUuid();
                operation.after = {boardId, QStringLiteral("Item %1").arg(++counter),
                    ItemStatus(random.bounded(3)), false, false};
                command = QStringLiteral("add %1 %2 %3 %4")
                              .arg(uuidText(boardId), uuidText(operation.itemId),
                                  itemStatusText(operation.after.status), operation.after.content);
                ++operations[QStringLiteral("add")];
            } else {
                operation.itemId = live.at(int(random.bounded(qsizetype(live.size()))));
                operation.before = wanted.value(operation.itemId);
                operation.after = *operation.before;
                if (roll < 55) {
                    operation.after.content = QStringLiteral("Edited %1").arg(++counter);
                    command = QStringLiteral("edit %1 %2")
                                  .arg(uuidText(operation.itemId), operation.after.content);
                    ++operations[QStringLiteral("edit")];
                } else if (roll < 72) {
                    operation.after.status
                        = ItemStatus((int(operation.before->status) + 1 + int(random.bounded(2))) % 3);
                    command = QStringLiteral("status %1 %2")
                                  .arg(uuidText(operation.itemId), itemStatusText(operation.after.status));
                    ++operations[QStringLiteral("status")];
                } else if (roll < 82) {
                    operation.after.archived = !operation.before->archived;
                    command = QStringLiteral("archive %1 %2")
                                  .arg(uuidText(operation.itemId))
                                  .arg(operation.after.archived ? 1 : 0);
                    ++operations[QStringLiteral("archive")];
                } else if (roll < 90) {
                    operation.after.deleted = true;
                    command = QStringLiteral("delete %1").arg(uuidText(operation.itemId));
                    ++operations[QStringLiteral("delete")];
                } else if (boardId == cloudBoard) {
                    // Someone edits the item on the service; the app hears of it with its next sync.
                    const auto service = m_server->boardContents(cloudBoard, elsewhere.accessToken).live;
                    if (service.contains(operation.itemId)) {
                        const QJsonObject patch {{"content", QStringLiteral("Elsewhere %1").arg(++counter)},
                            {"revision", service.value(operation.itemId).value("revision")}};
                        const auto reply = m_server->request("PATCH",
                            QStringLiteral("/api/boards/%1/items/%2")
                                .arg(uuidText(cloudBoard), uuidText(operation.itemId)),
                            QJsonDocument(patch).toJson(), elsewhere.accessToken);
                        QCOMPARE(reply.status, 200);
                        contested.insert(operation.itemId);
                        ++operations[QStringLiteral("edit elsewhere")];
                    }
                    command = QStringLiteral("sync");
                    ++operations[QStringLiteral("sync")];
                } else {
                    command = QStringLiteral("sync");
                    ++operations[QStringLiteral("sync")];
                }
            }
            const bool isItemOperation = !command.startsWith(QLatin1String("sync"));
            if (boardId == cloudBoard && random.bounded(100) < 15) {
                const bool armed = random.bounded(2)
                    ? m_server->failNext(1, 503, QStringLiteral("/api/boards"))
                    : m_server->closeNext(1, QStringLiteral("/api/boards"));
                faults += armed ? 1 : 0;
            }
            history.append(QStringLiteral("#%1 %2").arg(performed).arg(command));

            app.send(command);
            std::optional<QString> acknowledged;
            const bool killNow = random.bounded(100) < 12;
            if (killNow) {
                // Anywhere: before the operation starts, in its save or its request, or just after.
                const int delay = random.bounded(4) == 0 ? int(random.bounded(3)) : int(random.bounded(120));
                app.waitForAnswerOrTime(delay);
                if (app.hasAnswer())
                    acknowledged = app.waitForAnswer(0);
                app.kill();
                ++kills;
            } else {
                acknowledged = app.waitForAnswer(answerTimeoutMs);
                QVERIFY2(acknowledged,
                    qPrintable(QStringLiteral("no answer to %1; %2").arg(command, app.logTail())));
            }
            if (acknowledged) {
                QVERIFY2(acknowledged->startsWith(QLatin1String("ack ")), qPrintable(*acknowledged));
                if (isItemOperation && !acknowledged->endsWith(QLatin1String(" refused")))
                    apply(operation);
            } else if (isItemOperation) {
                inFlight = operation;
                ++killsBeforeAnswer;
            }
            m_server->clearFaults();

            if (!killNow)
                continue;
            history.append(QStringLiteral("  killed")
                + (acknowledged ? QString() : QStringLiteral(" before the answer")));
            QStringList problems = checkStore();
            QVERIFY2(problems.isEmpty(),
                qPrintable(problems.join(QLatin1Char('\n')) + QStringLiteral("\nhistory:\n")
                    + history.mid(std::max<qsizetype>(0, history.size() - 30)).join(QLatin1Char('\n'))));
            // Now and then the next start is cut short too.
            if (random.bounded(100) < 20) {
                QVERIFY2(app.start(), qPrintable(app.errorString()));
                QTest::qWait(int(random.bounded(400)));
                app.kill();
                ++kills;
                ++killsDuringStart;
                problems = checkStore();
                QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
            }
            problems = restartAndConverge();
            QVERIFY2(problems.isEmpty(),
                qPrintable(problems.join(QLatin1Char('\n')) + QStringLiteral("\nhistory:\n")
                    + history.mid(std::max<qsizetype>(0, history.size() - 30)).join(QLatin1Char('\n'))));
        }

        // The end of the session: a last kill, a last restart and sync, and every acknowledged change
        // is where it belongs.
        app.kill();
        ++kills;
        QStringList problems = checkStore();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        problems = restartAndConverge();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY(app.quit(answerTimeoutMs));
        problems = checkStore();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));

        int liveItems = 0;
        for (const Wanted& item : std::as_const(wanted))
            liveItems += item.deleted ? 0 : 1;
        QStringList kinds;
        for (auto it = operations.cbegin(); it != operations.cend(); ++it)
            kinds.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
        kinds.sort();
        qInfo().noquote() << QStringLiteral("crash soak seed %1: %2 operations in %3 ms (%4)")
                                 .arg(seed)
                                 .arg(performed)
                                 .arg(clock.elapsed())
                                 .arg(kinds.join(QStringLiteral(", ")));
        qInfo().noquote() << QStringLiteral(
            "%1 kills (%2 before the answer, %3 during start-up), %4 store checks, "
            "%5 syncs converged, %6 service faults, %7 live items at the end")
                                 .arg(kills)
                                 .arg(killsBeforeAnswer)
                                 .arg(killsDuringStart)
                                 .arg(storeChecks)
                                 .arg(convergedSyncs)
                                 .arg(faults)
                                 .arg(liveItems);
        QVERIFY(performed >= 20);
        QVERIFY(kills >= 3);
        QVERIFY(liveItems > 0);
    }
};

QTEST_GUILESS_MAIN(AppCrashSoakTest)
#include "AppCrashSoakTest.moc"
