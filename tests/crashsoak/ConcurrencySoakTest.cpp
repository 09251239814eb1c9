// Two members working on the same cloud boards at once, each in the real application process with
// its own store and keyring, against one stand-in service: random edits, status moves, archives,
// deletions, merges and moves between boards, many issued while a sync of the same board is in
// flight; injected lost answers (the service applied the change, the answer never came), late
// answers, refusals and cut connections; revision conflicts from the other member's edits;
// SIGKILL of either process at random moments, followed by a restart; and sign-out in the middle of
// the session (a sync answer and an edit still on their way, both arriving after the clearing),
// followed by sign-in with the member's other account, which shares the boards.
//
// Checked while it runs: right after a sign-out and the late answers, nothing of a cloud board is
// left in the member's store; an item changed and acknowledged while its board's sync answer was
// held back never has its revision lowered by that answer.
//
// Checked from outside at the end, once both stores agree with the service item for item (text and
// revision) with nothing pending, which they come to by themselves (no sync is asked for at the
// end; the change channel and the applications' own retries do it): every text a member saved (an add or an
// edit the application acknowledged, the last one per item and member) reached the service at some
// moment (a trigger on the service's own database records every text an item ever held, so a text
// that another member later replaced on purpose still counts), or sits in a conflict copy of that
// member, or in the file sign-out wrote, or in an item of that member's local board (moved off the
// service); nothing is left
// pending in either store; no text, item or board exists twice on the service.
//
// PLENKO_SOAK_SEED picks another seed; the figures are printed and recorded in docs/reliability.md.
#include "AppProcess.h"
#include "PrivateKeyring.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/StoreContext.h"
#include "support/DevServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {
constexpr int operationLimit = 260;
constexpr qint64 timeBudgetMs = 40000;
constexpr int answerTimeoutMs = 30000;
constexpr int startTimeoutMs = 30000;
// With no sync asked for, a change refused while the faults ran waits for the application's next
// retry: at most 60 s, spread by a fifth.
constexpr int convergeTimeoutMs = 75000;

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Rows of one query on a SQLite file the test does not own; an absent table gives no rows.
QList<QStringList> queryFile(const QString& fileName, const char* sql, int columns)
{
    QList<QStringList> rows;
    sqlite3* database = nullptr;
    if (sqlite3_open_v2(fileName.toUtf8().constData(), &database, SQLITE_OPEN_READWRITE, nullptr)
        == SQLITE_OK) {
        sqlite3_busy_timeout(database, 5000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(database, sql, -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                QStringList row;
                for (int column = 0; column < columns; ++column)
                    row.append(QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, column))));
                rows.append(row);
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(database);
    return rows;
}

bool executeOnFile(const QString& fileName, const char* sql)
{
    sqlite3* database = nullptr;
    bool done = sqlite3_open_v2(fileName.toUtf8().constData(), &database, SQLITE_OPEN_READWRITE, nullptr)
        == SQLITE_OK;
    if (done) {
        sqlite3_busy_timeout(database, 5000);
        done = sqlite3_exec(database, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(database);
    return done;
}

// One member: the application process, its account and its own view of what it saved.
struct Member
{
    QString name;
    // The member's two accounts, both members of the shared boards; `signedInAs` is in use.
    std::array<QString, 2> emails;
    int signedInAs = 0;
    DevServer::Account account;
    std::unique_ptr<PrivateKeyring> keyring;
    std::unique_ptr<AppProcess> app;
    QUuid localBoard;
    // Item id -> the last text this member saved on it (acknowledged add, edit).
    QHash<QUuid, QString> saved;
    // Boards whose sync was started in the background and has not reported its end.
    QSet<QUuid> syncing;
    // Items changed and acknowledged while their board's sync was in flight: board and the revision
    // stored right after the acknowledgement.
    QHash<QUuid, std::pair<QUuid, qint64>> acknowledgedDuringSync;
    // Board -> the item this member edited there last.
    QHash<QUuid, QUuid> lastEdited;
    // What the files written at sign-out hold.
    QStringList exported;
};

QString sqlText(const QUuid& id)
{
    return QLatin1Char('\'') + uuidText(id) + QLatin1Char('\'');
}

// Revisions count per board: an item another member moved since has a revision of its new board,
// which does not compare with the old one.
std::optional<qint64> storedRevision(const QString& storeFile, const QUuid& itemId, const QUuid& boardId)
{
    const QByteArray sql = "SELECT revision FROM local_item WHERE id = " + sqlText(itemId).toUtf8()
        + " AND boardId = " + sqlText(boardId).toUtf8();
    const QList<QStringList> rows = queryFile(storeFile, sql.constData(), 1);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().first().toLongLong();
}
}

class ConcurrencySoakTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    std::unique_ptr<DevServer> m_server;
    QString m_serviceFile;

    // How the member's store differs from the service on the shared boards (items, texts and
    // revisions; changes still pending), or nothing when they agree.
    QString storeDifference(const Member& member, const QList<QUuid>& boards)
    {
        for (const QUuid& boardId : boards) {
            const QByteArray board = sqlText(boardId).toUtf8();
            const QList<QStringList> pending = queryFile(member.app->storeFile(),
                ("SELECT content FROM local_item WHERE didSync = 0 AND boardId = " + board).constData(), 1);
            if (!pending.isEmpty())
                return QStringLiteral("%1 changes pending, \"%2\" among them").arg(pending.size()).arg(pending[0][0]);
            QHash<QUuid, QPair<QString, qint64>> stored;
            for (const QStringList& row : queryFile(member.app->storeFile(),
                     ("SELECT id, content, revision FROM local_item WHERE deletedAt IS NULL AND boardId = " + board)
                         .constData(),
                     3))
                stored.insert(QUuid::fromString(row[0]), {row[1], row[2].toLongLong()});
            const auto service = m_server->boardContents(boardId, member.account.accessToken).live;
            for (auto it = service.cbegin(); it != service.cend(); ++it) {
                const QString content = it->value(QStringLiteral("content")).toString();
                const qint64 revision = it->value(QStringLiteral("revision")).toInteger();
                const auto mine = stored.constFind(it.key());
                if (mine == stored.cend())
                    return QStringLiteral("\"%1\" is missing").arg(content);
                if (mine->first != content || mine->second != revision)
                    return QStringLiteral("\"%1\" (revision %2) is \"%3\" (revision %4) in the store")
                        .arg(content).arg(revision).arg(mine->first).arg(mine->second);
            }
            if (stored.size() != service.size())
                return QStringLiteral("%1 items in the store, %2 on the service").arg(stored.size()).arg(service.size());
        }
        return {};
    }

    std::optional<QString> startMember(Member& member)
    {
        if (!member.app->start())
            return member.app->errorString();
        const auto ready = member.app->waitForReady(startTimeoutMs);
        if (!ready || !ready->startsWith(QLatin1String("ready ")))
            return QStringLiteral("%1 did not start: %2").arg(member.name, member.app->logTail());
        member.syncing.clear();
        member.acknowledgedDuringSync.clear();
        return std::nullopt;
    }

    std::optional<QString> command(Member& member, const QString& line)
    {
        member.app->send(line);
        return member.app->waitForAnswer(answerTimeoutMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_serviceFile = m_root.filePath(QStringLiteral("service.sqlite"));
        DevServer::Options options;
        options.dataFile = m_serviceFile;
        m_server = std::make_unique<DevServer>(options);
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        // Every text an item of the service ever held, written by the service's own database.
        QVERIFY(executeOnFile(m_serviceFile,
            "CREATE TABLE soak_texts (item_id TEXT NOT NULL, content TEXT NOT NULL);"
            "CREATE TRIGGER soak_added AFTER INSERT ON items BEGIN"
            "  INSERT INTO soak_texts VALUES (NEW.id, NEW.content); END;"
            "CREATE TRIGGER soak_edited AFTER UPDATE OF content ON items BEGIN"
            "  INSERT INTO soak_texts VALUES (NEW.id, NEW.content); END;"));
    }

    void twoMembersOverlapFaultsAndKillsLoseNothing()
    {
        const quint32 seed = qEnvironmentVariableIsSet("PLENKO_SOAK_SEED")
            ? quint32(qEnvironmentVariableIntValue("PLENKO_SOAK_SEED"))
            : 20261206u;
        QRandomGenerator random(seed);

        // Two shared boards, owned by Ann, joined by Bob before either application starts.
        std::array<Member, 2> members;
        members[0].name = QStringLiteral("ann");
        members[1].name = QStringLiteral("bob");
        QList<DevServer::Account> joiners;
        for (Member& member : members) {
            member.emails = {member.name + QStringLiteral("@example.com"), member.name + QStringLiteral("2@example.com")};
            member.account = m_server->createAccount(member.emails[0], member.name);
            QVERIFY2(member.account.isValid(), qPrintable(m_server->errorString()));
            const DevServer::Account other = m_server->createAccount(member.emails[1], member.name);
            QVERIFY2(other.isValid(), qPrintable(m_server->errorString()));
            joiners.append(other);
        }
        joiners.prepend(members[1].account);
        QList<QUuid> sharedBoards;
        for (const QString& name : {QStringLiteral("Shared one"), QStringLiteral("Shared two")}) {
            const auto created = m_server->request("POST", QStringLiteral("/api/boards"),
                json({{"name", name}}), members[0].account.accessToken);
            QCOMPARE(created.status, 200);
            const QString boardId = created.object().value(QStringLiteral("id")).toString();
            sharedBoards.append(QUuid::fromString(boardId));
            for (const DevServer::Account& joiner : std::as_const(joiners)) {
                // An invitation is taken once.
                const QString code
                    = m_server
                          ->request("POST", QStringLiteral("/api/boards/%1/invitations").arg(boardId),
                              std::nullopt, members[0].account.accessToken)
                          .object()
                          .value(QStringLiteral("code"))
                          .toString();
                const auto joined = m_server->request("PATCH",
                    QStringLiteral("/api/boards/invitations?code=")
                        + QString::fromLatin1(QUrl::toPercentEncoding(code)),
                    std::nullopt, joiner.accessToken);
                QCOMPARE(joined.status, 200);
            }
        }

        for (Member& member : members) {
            member.keyring = std::make_unique<PrivateKeyring>();
            QVERIFY2(member.keyring->isRunning(), qPrintable(member.keyring->errorString()));
            const QString folder = m_root.filePath(member.name);
            member.app = std::make_unique<AppProcess>(
                AppProcess::Setup {folder, m_server->baseUrl().toString(), member.keyring->busAddress()});
            const auto failure = startMember(member);
            QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
            auto answer = command(member, QStringLiteral("signin ") + member.emails[0]);
            QVERIFY2(answer && answer->startsWith(QLatin1String("ack signin ")),
                qPrintable(answer.value_or(member.app->logTail())));
            answer = command(member, QStringLiteral("board local Own %1").arg(member.name));
            QVERIFY2(answer && answer->startsWith(QLatin1String("ack board ")),
                qPrintable(answer.value_or(member.app->logTail())));
            member.localBoard = QUuid::fromString(answer->section(QLatin1Char(' '), 2, 2));
            answer = command(member, QStringLiteral("sync"));
            QVERIFY2(
                answer == QStringLiteral("ack sync 2 0"), qPrintable(answer.value_or(member.app->logTail())));
        }

        // Where each item was last seen to live, by anyone's acknowledged add or move.
        QHash<QUuid, QUuid> itemBoards;
        QMap<QString, int> operations;
        QMap<QString, int> faults;
        int overlaps = 0;
        int acknowledgedWhileHeld = 0;
        int loweredRevisions = 0;
        int signOuts = 0;
        int leftBehind = 0;
        QStringList problems;
        int kills = 0;
        int restarts = 0;
        int counter = 0;
        QStringList history;

        auto pickItem = [&](const QUuid& boardId) -> std::optional<QUuid> {
            QList<QUuid> candidates;
            for (auto it = itemBoards.cbegin(); it != itemBoards.cend(); ++it) {
                if (it.value() == boardId)
                    candidates.append(it.key());
            }
            if (candidates.isEmpty())
                return std::nullopt;
            std::sort(candidates.begin(), candidates.end());
            return candidates.at(int(random.bounded(qsizetype(candidates.size()))));
        };

        // The lines that are not answers: a background sync's end is when its answer may have
        // lowered a revision acknowledged meanwhile.
        auto takeLines = [&](Member& member) {
            for (const QString& line : member.app->takeOtherLines()) {
                if (!line.startsWith(QLatin1String("synced ")))
                    continue;
                const QUuid boardId = QUuid::fromString(line.section(QLatin1Char(' '), 1, 1));
                member.syncing.remove(boardId);
                for (auto it = member.acknowledgedDuringSync.begin(); it != member.acknowledgedDuringSync.end();) {
                    if (it->first != boardId) {
                        ++it;
                        continue;
                    }
                    const std::optional<qint64> now = storedRevision(member.app->storeFile(), it.key(), boardId);
                    if (now && *now < it->second) {
                        ++loweredRevisions;
                        problems.append(QStringLiteral("%1: a sync answer lowered %2 from revision %3 to %4")
                                            .arg(member.name, uuidText(it.key()))
                                            .arg(it->second)
                                            .arg(*now));
                    }
                    it = member.acknowledgedDuringSync.erase(it);
                }
            }
        };

        // Log Out in the middle of the session, with a sync answer and an edit still on their way, then
        // sign-in with the member's other account.
        auto signOutAndBackIn = [&](Member& member, int at) -> std::optional<QString> {
            const QUuid boardId = sharedBoards.at(int(random.bounded(2)));
            const QString boardPrefix = QStringLiteral("/api/boards/%1").arg(uuidText(boardId));
            history.append(
                QStringLiteral("#%1 %2: sign-out as %3").arg(at).arg(member.name, member.emails[member.signedInAs]));
            if (!member.syncing.contains(boardId)
                && m_server->delayAnswerNext(1, 300, boardPrefix + QStringLiteral("/sync"))) {
                const auto started = command(member, QStringLiteral("async sync ") + uuidText(boardId));
                if (started && started->startsWith(QLatin1String("ack ")))
                    member.syncing.insert(boardId);
            }
            bool editing = false;
            if (const std::optional<QUuid> target = pickItem(boardId);
                target && m_server->delayNext(1, 300, boardPrefix + QStringLiteral("/items/"))) {
                const auto started = command(member,
                    QStringLiteral("async edit %1 %2 edited %3 at sign-out").arg(uuidText(*target), member.name).arg(++counter));
                editing = started && started->startsWith(QLatin1String("ack "));
            }
            const auto signedOut = command(member, QStringLiteral("signout"));
            if (!signedOut || !signedOut->startsWith(QLatin1String("ack signout ")))
                return QStringLiteral("%1's sign-out: %2").arg(member.name, signedOut.value_or(member.app->logTail()));
            ++signOuts;
            const QString file = signedOut->section(QLatin1Char(' '), 2);
            if (file != QLatin1String("-")) {
                QFile saved(file);
                if (!saved.open(QIODevice::ReadOnly))
                    return QStringLiteral("%1's unsent changes were not written: %2").arg(member.name, file);
                member.exported.append(QString::fromUtf8(saved.readAll()));
            }
            // The late answers arrive after the clearing and must not bring anything back.
            bool edited = !editing;
            (void)QTest::qWaitFor(
                [&] {
                    for (const QString& line : member.app->takeOtherLines()) {
                        if (line.startsWith(QLatin1String("synced ")))
                            member.syncing.remove(QUuid::fromString(line.section(QLatin1Char(' '), 1, 1)));
                        edited = edited || line.startsWith(QLatin1String("edited "));
                    }
                    return member.syncing.isEmpty() && edited;
                },
                answerTimeoutMs);
            member.acknowledgedDuringSync.clear();
            const QString storeFile = member.app->storeFile();
            const QByteArray local = sqlText(member.localBoard).toUtf8();
            const QByteArray leftovers = "SELECT 'board ' || id FROM local_board WHERE syncWithServer = 1"
                                         " UNION ALL SELECT 'item ' || content FROM local_item WHERE boardId != "
                + local + " UNION ALL SELECT 'description ' || boardId FROM pending_board_info"
                          " UNION ALL SELECT 'conflict copy ' || content FROM conflict_copy WHERE boardId != "
                + local;
            for (const QStringList& row : queryFile(storeFile, leftovers.constData(), 1)) {
                ++leftBehind;
                problems.append(QStringLiteral("%1: left after sign-out: %2").arg(member.name, row.first()));
            }

            m_server->clearFaults();
            member.signedInAs ^= 1;
            auto answer = command(member, QStringLiteral("signin ") + member.emails[member.signedInAs]);
            if (!answer || !answer->startsWith(QLatin1String("ack signin ")))
                return QStringLiteral("%1's sign-in: %2").arg(member.name, answer.value_or(member.app->logTail()));
            answer = command(member, QStringLiteral("sync"));
            if (!answer || !answer->startsWith(QLatin1String("ack sync ")))
                return QStringLiteral("%1's first sync: %2").arg(member.name, answer.value_or(member.app->logTail()));
            history.append(QStringLiteral("  %1 signed in as %2").arg(member.name, member.emails[member.signedInAs]));
            return std::nullopt;
        };

        // After a background sync starts, the next few operations of that member go to its board.
        int focusMember = 0;
        QUuid focusBoard;
        int focusLeft = 0;
        QUuid focusItem;

        QElapsedTimer clock;
        clock.start();
        int performed = 0;
        for (; performed < operationLimit && clock.elapsed() < timeBudgetMs; ++performed) {
            const bool focused = focusLeft > 0;
            const int memberIndex = focused ? focusMember : int(random.bounded(2));
            Member& member = members[memberIndex];
            takeLines(member);
            if (!focused && signOuts < 4 && random.bounded(100) < 3) {
                const auto failure = signOutAndBackIn(member, performed);
                QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
                continue;
            }
            const QUuid boardId = focused ? focusBoard : sharedBoards.at(int(random.bounded(2)));
            focusLeft = std::max(0, focusLeft - 1);
            const std::optional<QUuid> target = pickItem(boardId);
            const int roll = int(random.bounded(100));
            QString line;
            QString kind;
            QStringList armed;
            std::optional<QString> text;
            QUuid itemId;
            const QUuid again = focused ? std::exchange(focusItem, QUuid()) : QUuid();
            if (!again.isNull() && itemBoards.value(again) == boardId) {
                // The item this member edited last, which the held-back answer lists, edited again.
                itemId = again;
                kind = QStringLiteral("edit");
                text = QStringLiteral("%1 edited %2").arg(member.name).arg(++counter);
                line = QStringLiteral("edit %1 %2").arg(uuidText(itemId), *text);
            } else if (roll < 14 && !focused && !member.syncing.contains(boardId)) {
                kind = QStringLiteral("sync started");
                line = QStringLiteral("async sync %1").arg(uuidText(boardId));
                // A late answer keeps the sync in flight while the next operations run.
                if (random.bounded(100) < 70
                    && m_server->delayAnswerNext(1, 150 + int(random.bounded(500)),
                        QStringLiteral("/api/boards/%1/sync").arg(uuidText(boardId)))) {
                    ++faults[QStringLiteral("late answer")];
                    armed.append(QStringLiteral("late sync answer"));
                }
            } else if (roll < 18) {
                kind = QStringLiteral("sync all");
                line = QStringLiteral("sync");
            } else if (roll < 42 || !target) {
                kind = QStringLiteral("add");
                itemId = QUuid::createUuid();
                text = QStringLiteral("%1 wrote %2").arg(member.name).arg(++counter);
                line = QStringLiteral("add %1 %2 TODO %3").arg(uuidText(boardId), uuidText(itemId), *text);
            } else {
                itemId = *target;
                if (roll < 70) {
                    kind = QStringLiteral("edit");
                    text = QStringLiteral("%1 edited %2").arg(member.name).arg(++counter);
                    line = QStringLiteral("edit %1 %2").arg(uuidText(itemId), *text);
                } else if (roll < 78) {
                    kind = QStringLiteral("status");
                    line = QStringLiteral("status %1 %2")
                               .arg(uuidText(itemId), itemStatusText(ItemStatus(random.bounded(3))));
                } else if (roll < 84) {
                    kind = QStringLiteral("archive");
                    line = QStringLiteral("archive %1 %2").arg(uuidText(itemId)).arg(random.bounded(2));
                } else if (roll < 88) {
                    kind = QStringLiteral("delete");
                    line = QStringLiteral("delete %1").arg(uuidText(itemId));
                } else if (roll < 94) {
                    const std::optional<QUuid> destination = pickItem(boardId);
                    kind = QStringLiteral("merge");
                    line = QStringLiteral("merge %1 %2")
                               .arg(uuidText(itemId), uuidText(destination.value_or(itemId)));
                } else {
                    kind = QStringLiteral("move to board");
                    const QUuid to = random.bounded(3) == 0
                        ? member.localBoard
                        : sharedBoards.at(boardId == sharedBoards[0] ? 1 : 0);
                    line = QStringLiteral("moveboard %1 %2").arg(uuidText(itemId), uuidText(to));
                }
            }
            if (!line.startsWith(QLatin1String("async")) && member.syncing.contains(boardId))
                ++overlaps;

            // Faults on the board's item and sync endpoints.
            const int faultRoll = int(random.bounded(100));
            const QString prefix = QStringLiteral("/api/boards/%1").arg(uuidText(boardId));
            QString fault;
            if (faultRoll < 10 && m_server->dropAnswerNext(1, prefix))
                fault = QStringLiteral("lost answer");
            else if (faultRoll < 14 && m_server->failNext(1, 503, prefix))
                fault = QStringLiteral("503");
            else if (faultRoll < 17 && m_server->closeNext(1, prefix))
                fault = QStringLiteral("cut connection");
            else if (faultRoll < 20 && m_server->delayAnswerNext(1, 100 + int(random.bounded(300)), prefix))
                fault = QStringLiteral("late answer");
            if (!fault.isEmpty()) {
                ++faults[fault];
                armed.append(fault);
            }
            if (member.syncing.contains(boardId))
                armed.append(QStringLiteral("during a sync"));

            history.append(
                QStringLiteral("#%1 %2: %3%4")
                    .arg(performed)
                    .arg(member.name, line,
                        armed.isEmpty() ? QString()
                                        : QStringLiteral(" [%1]").arg(armed.join(QStringLiteral(", ")))));
            ++operations[kind];
            member.app->send(line);
            std::optional<QString> answer;
            const bool killNow = random.bounded(100) < 6;
            if (killNow) {
                member.app->waitForAnswerOrTime(int(random.bounded(150)));
                if (member.app->hasAnswer())
                    answer = member.app->waitForAnswer(0);
                member.app->kill();
                ++kills;
                history.append(
                    QStringLiteral("  %1 killed%2")
                        .arg(member.name, answer ? QString() : QStringLiteral(" before the answer")));
            } else {
                answer = member.app->waitForAnswer(answerTimeoutMs);
                QVERIFY2(answer,
                    qPrintable(QStringLiteral("no answer to %1; %2").arg(line, member.app->logTail())));
            }
            if (answer && answer->startsWith(QLatin1String("nack ")))
                history.last() += QStringLiteral(" -> ") + *answer;
            if (answer && answer->endsWith(QLatin1String(" refused")))
                history.last() += QStringLiteral(" -> refused");
            if (answer && answer->startsWith(QLatin1String("ack async sync"))) {
                member.syncing.insert(boardId);
                focusMember = memberIndex;
                focusBoard = boardId;
                focusLeft = 1 + int(random.bounded(3));
                focusItem = member.lastEdited.value(boardId);
            }
            takeLines(member);
            if (answer && answer->startsWith(QLatin1String("ack "))
                && !answer->endsWith(QLatin1String(" refused"))) {
                const bool changesItem = kind == QLatin1String("edit") || kind == QLatin1String("status")
                    || kind == QLatin1String("archive");
                if (changesItem && !killNow && member.syncing.contains(boardId)) {
                    if (const auto revision = storedRevision(member.app->storeFile(), itemId, boardId)) {
                        member.acknowledgedDuringSync.insert(itemId, {boardId, *revision});
                        ++acknowledgedWhileHeld;
                    }
                }
                if (kind == QLatin1String("edit"))
                    member.lastEdited.insert(boardId, itemId);
                if (text)
                    member.saved.insert(itemId, *text);
                // The member's own delete is what they want now: their earlier texts of the item
                // need not survive it (the other member's still must).
                if (kind == QLatin1String("delete"))
                    member.saved.remove(itemId);
                if (kind == QLatin1String("add"))
                    itemBoards.insert(itemId, boardId);
                if (kind == QLatin1String("move to board"))
                    itemBoards.insert(itemId, QUuid::fromString(line.section(QLatin1Char(' '), 2, 2)));
            }
            if (!killNow)
                continue;
            m_server->clearFaults();
            const auto failure = startMember(member);
            QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
            ++restarts;
        }

        // The end: no more faults and no sync asked for. The change channel and the applications' own
        // retries bring both stores to exactly what the service holds, with nothing left pending.
        m_server->clearFaults();
        for (Member& member : members) {
            QString difference;
            const bool same = QTest::qWaitFor(
                [&] {
                    takeLines(member);
                    difference = storeDifference(member, sharedBoards);
                    return difference.isEmpty();
                },
                convergeTimeoutMs);
            QVERIFY2(same, qPrintable(QStringLiteral("%1's store, %2 s after the last operation: %3")
                                           .arg(member.name)
                                           .arg(convergeTimeoutMs / 1000)
                                           .arg(difference)));
        }
        for (Member& member : members)
            QVERIFY2(member.app->quit(answerTimeoutMs), qPrintable(member.app->logTail()));

        // What the service holds and ever held.
        QHash<QUuid, QJsonObject> service;
        for (const QUuid& boardId : sharedBoards)
            service.insert(m_server->boardContents(boardId, members[0].account.accessToken).live);
        QMultiHash<QUuid, QString> everHeld;
        for (const QStringList& row : queryFile(m_serviceFile, "SELECT item_id, content FROM soak_texts", 2))
            everHeld.insert(QUuid::fromString(row[0]), row[1]);
        QStringList everText = everHeld.values();

        int losses = 0;
        int conflictCopies = 0;
        int keptInCopies = 0;
        int keptInFiles = 0;
        int keptLocally = 0;
        for (Member& member : members) {
            auto store = StoreContext::open(member.app->storeFile());
            QVERIFY2(store, qPrintable(store ? QString() : store.error().message));
            QStringList ownTexts;
            const auto localItems = LocalDataService::fetchLocalItems(member.localBoard, 0, **store);
            QVERIFY(localItems);
            for (const auto& item : *localItems) {
                if (!item->deletedAt())
                    ownTexts.append(item->content());
            }
            QStringList copies;
            for (const QStringList& row :
                queryFile(member.app->storeFile(), "SELECT itemId, content FROM conflict_copy", 2))
                copies.append(row[1]);
            conflictCopies += int(copies.size());

            for (const QUuid& boardId : sharedBoards) {
                const auto items = LocalDataService::fetchLocalItems(boardId, 0, **store);
                QVERIFY(items);
                for (const auto& item : *items) {
                    if (!item->didSync())
                        problems.append(
                            QStringLiteral("%1: still pending: \"%2\"").arg(member.name, item->content()));
                    else if (!item->deletedAt() && !service.contains(item->id()))
                        problems.append(QStringLiteral("%1: only in the store: \"%2\"")
                                            .arg(member.name, item->content()));
                }
            }
            auto holds = [](const QStringList& texts, const QString& text) {
                return std::any_of(
                    texts.cbegin(), texts.cend(), [&text](const QString& t) { return t.contains(text); });
            };
            for (auto it = member.saved.cbegin(); it != member.saved.cend(); ++it) {
                if (holds(everText, it.value()))
                    continue;
                if (holds(copies, it.value())) {
                    ++keptInCopies;
                    continue;
                }
                if (holds(member.exported, it.value())) {
                    ++keptInFiles;
                    continue;
                }
                if (holds(ownTexts, it.value())) {
                    ++keptLocally;
                    continue;
                }
                ++losses;
                // Every operation on the item, to tell which path lost it.
                const QString id = uuidText(it.key());
                QStringList trail;
                for (qsizetype i = 0; i < history.size(); ++i) {
                    if (history[i].contains(id))
                        trail.append(history[i]
                            + (i + 1 < history.size() && history[i + 1].startsWith(QLatin1String("  "))
                                    ? history[i + 1]
                                    : QString()));
                }
                problems.append(QStringLiteral("%1's text lost: \"%2\"; the item's operations:\n  %3")
                                    .arg(member.name, it.value(), trail.join(QStringLiteral("\n  "))));
            }
        }

        QSet<QString> liveTexts;
        for (const QJsonObject& item : std::as_const(service)) {
            const QString content = item.value(QStringLiteral("content")).toString();
            if (liveTexts.contains(content))
                problems.append(QStringLiteral("text twice on the service: \"%1\"").arg(content));
            liveTexts.insert(content);
        }
        const QJsonArray boardList = QJsonDocument::fromJson(
            m_server
                ->request("GET", QStringLiteral("/api/boards"), std::nullopt, members[0].account.accessToken)
                .body)
                                         .array();
        QSet<QString> boardNames;
        for (const QJsonValue& board : boardList) {
            const QString name = board.toObject().value(QStringLiteral("name")).toString();
            if (boardNames.contains(name))
                problems.append(QStringLiteral("board twice on the service: ") + name);
            boardNames.insert(name);
        }

        QStringList kinds;
        for (auto it = operations.cbegin(); it != operations.cend(); ++it)
            kinds.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
        QStringList faultKinds;
        for (auto it = faults.cbegin(); it != faults.cend(); ++it)
            faultKinds.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
        int savedTexts = 0;
        for (const Member& member : members)
            savedTexts += int(member.saved.size());
        // What the service itself reports: refused edits (409) and answers it really dropped.
        int revisionConflicts = 0;
        int droppedAnswers = 0;
        for (const QString& line : m_server->output()) {
            revisionConflicts += line.endsWith(QLatin1String(" -> 409")) ? 1 : 0;
            droppedAnswers += line.contains(QLatin1String("answer dropped")) ? 1 : 0;
        }
        qInfo().noquote() << QStringLiteral(
            "concurrency soak seed %1: %2 operations in %3 ms (%4); %5 overlapping a sync "
            "of their board; faults: %6; %7 kills, %8 restarts")
                                 .arg(seed)
                                 .arg(performed)
                                 .arg(clock.elapsed())
                                 .arg(kinds.join(QStringLiteral(", ")))
                                 .arg(overlaps)
                                 .arg(faultKinds.join(QStringLiteral(", ")))
                                 .arg(kills)
                                 .arg(restarts);
        qInfo().noquote() << QStringLiteral(
            "the service refused %1 edits as revision conflicts and dropped %2 answers "
            "after applying the request")
                                 .arg(revisionConflicts)
                                 .arg(droppedAnswers);
        qInfo().noquote() << QStringLiteral(
            "%1 sign-outs mid-session, each followed by sign-in with another account: %2 things left "
            "behind; %3 changes acknowledged while their board's sync answer was held back: %4 revisions "
            "lowered")
                                 .arg(signOuts)
                                 .arg(leftBehind)
                                 .arg(acknowledgedWhileHeld)
                                 .arg(loweredRevisions);
        qInfo().noquote() << QStringLiteral(
            "%1 saved texts checked: %2 kept only in conflict copies, %7 only in a file written at "
            "sign-out, %3 only on a local board; %4 conflict copies; %5 live items on the service; %6 losses")
                                 .arg(savedTexts)
                                 .arg(keptInCopies)
                                 .arg(keptLocally)
                                 .arg(conflictCopies)
                                 .arg(service.size())
                                 .arg(losses)
                                 .arg(keptInFiles);
        QVERIFY2(problems.isEmpty(),
            qPrintable(problems.join(QLatin1Char('\n')) + QStringLiteral("\nlast operations:\n")
                + history.mid(std::max<qsizetype>(0, history.size() - 40)).join(QLatin1Char('\n'))));
        QVERIFY(performed >= 40);
        QVERIFY(overlaps > 0);
        QVERIFY(signOuts > 0);
        QVERIFY(acknowledgedWhileHeld > 0);
        QVERIFY(savedTexts > 0);
    }
};

QTEST_GUILESS_MAIN(ConcurrencySoakTest)
#include "ConcurrencySoakTest.moc"
