// A board's trash on the service, over raw HTTP: what it lists and to whom, restoring (a change
// every member syncs), deleting permanently and emptying (the deletion still syncs), and the purge
// after 30 days.
#include "Api.h"

#include <QStandardPaths>
#include <QTest>

using namespace Api;

class TrashTest : public QObject
{
    Q_OBJECT

private:
    static QString trashPath(const QString& board, const QString& rest = {})
    {
        return QStringLiteral("/api/boards/%1/trash%2").arg(board, rest);
    }

    static QStringList trashed(DevServer& server, const QString& token, const QString& board)
    {
        const DevServer::Reply reply = server.request("GET", trashPath(board), std::nullopt, token);
        if (reply.status != 200)
            return {QStringLiteral("status %1").arg(reply.status)};
        QStringList texts;
        for (const QJsonValue& item : reply.object().value(QStringLiteral("items")).toArray()) {
            texts << item[QStringLiteral("content")].toString();
            if (item[QStringLiteral("deletedAt")].toString().isEmpty())
                texts << QStringLiteral("(no deletedAt)");
        }
        return texts;
    }

    static int remove(DevServer& server, const QString& token, const QString& board, const QString& item)
    {
        return server.request("DELETE", QStringLiteral("/api/boards/%1/items/%2").arg(board, item), std::nullopt, token)
            .status;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void trashRules()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const auto ann = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        const auto bob = server.createAccount(QStringLiteral("bob@example.com"), QStringLiteral("Bob"));
        const auto eve = server.createAccount(QStringLiteral("eve@example.com"), QStringLiteral("Eve"));
        const QString board = createBoard(server, ann.accessToken, QStringLiteral("Plans"));
        join(server, bob.accessToken, invite(server, ann.accessToken, board));
        const QString milk = newId(), bread = newId(), tea = newId(), live = newId();
        for (const auto& [id, text] : {std::pair {milk, "milk"}, {bread, "bread"}, {tea, "tea"}, {live, "live"}})
            addItem(server, ann.accessToken, board, id, QString::fromLatin1(text));
        for (const QString& id : {milk, bread, tea})
            QCOMPARE(remove(server, ann.accessToken, board, id), 200);

        QCOMPARE(trashed(server, bob.accessToken, board), (QStringList {"tea", "bread", "milk"}));
        QCOMPARE(server.request("GET", trashPath(board), std::nullopt, eve.accessToken).status, 403);

        // Bob restores; Ann's next sync brings the item back with its text.
        const qint64 checkpoint = boardRevision(server, ann.accessToken, board);
        const DevServer::Reply restored
            = server.request("POST", trashPath(board, QStringLiteral("/%1/restore").arg(milk)), QByteArray("{}"), bob.accessToken);
        QCOMPARE(restored.status, 200);
        QCOMPARE(restored.object().value(QStringLiteral("revision")).toInteger(), checkpoint + 1);
        const QJsonObject answer = sync(server, ann.accessToken, board, checkpoint);
        const QJsonObject back = findRecord(answer.value(QStringLiteral("modifiedItems")).toArray(), milk);
        QCOMPARE(back.value(QStringLiteral("content")).toString(), QStringLiteral("milk"));
        QVERIFY(!back.contains(QStringLiteral("deletedAt")));
        QCOMPARE(trashed(server, ann.accessToken, board), (QStringList {"tea", "bread"}));

        // Only what is in the trash can be restored or deleted from it.
        for (const QString& id : {milk, live, newId()}) {
            const auto reply = server.request("POST", trashPath(board, QStringLiteral("/%1/restore").arg(id)), QByteArray("{}"), ann.accessToken);
            QCOMPARE(reply.status, 404);
            QCOMPARE(reply.object().value(QStringLiteral("code")).toString(), QStringLiteral("NOT_IN_TRASH"));
        }

        // Deleted permanently: gone from the trash, still a deletion for a member who syncs late.
        QCOMPARE(server.request("DELETE", trashPath(board, QLatin1Char('/') + bread), std::nullopt, bob.accessToken).status, 204);
        QCOMPARE(trashed(server, ann.accessToken, board), QStringList {"tea"});
        QVERIFY(ids(sync(server, bob.accessToken, board, 0).value(QStringLiteral("deletedItems")).toArray()).contains(bread));
        QCOMPARE(server.request("DELETE", trashPath(board), std::nullopt, ann.accessToken).status, 204);
        QCOMPARE(trashed(server, ann.accessToken, board), QStringList());

        // After 30 days an item leaves the trash by itself; a day earlier it is still there.
        QCOMPARE(remove(server, ann.accessToken, board, live), 200);
        // (A new session each time: moving the clock ends the old one.)
        const auto later = [&server] { return server.createAccount(QStringLiteral("ann@example.com"), QString()).accessToken; };
        QVERIFY(server.advanceClock(29 * 24 * 3600));
        QCOMPARE(trashed(server, later(), board), QStringList {"live"});
        QVERIFY(server.advanceClock(2 * 24 * 3600));
        const QString token = later();
        QCOMPARE(trashed(server, token, board), QStringList());
        QCOMPARE(server.request("POST", trashPath(board, QStringLiteral("/%1/restore").arg(live)), QByteArray("{}"), token).status, 404);
    }
};

QTEST_GUILESS_MAIN(TrashTest)
#include "TrashTest.moc"
