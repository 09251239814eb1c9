// The change channel, GET /api/events, against plenko-server processes on 127.0.0.1: who hears of a
// change (and only after it committed), the acting session on each event, streams ended with their
// session, the streams' own bounds (caps, a client that stops reading, heartbeats), events between
// two processes of one PostgreSQL database, and the devserver serving the same channel. With
// PLENKO_TEST_DATABASE=postgresql (a second ctest entry) every server runs on a private cluster.
#include "Database.h"
#include "ServiceEvent.h"
#include "support/DevServer.h"
#include "support/EventStreamClient.h"
#include "support/RawHttp.h"
#include "support/ServerAccounts.h"
#include "support/ServerTestCase.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

namespace {

using namespace ServerAccounts;

const QString password = QStringLiteral("correct horse battery");

struct Person
{
    QString id;
    QString access;
    QString refresh;
};

// A sign-in as the application makes it; the first one creates the account.
Person signIn(ServerProcess& server, const QString& email, bool create)
{
    if (!startSignIn(server))
        return {};
    const Tokens tokens = login(server,
        callbackToken(
            create ? signUp(server, email, password) : ServerAccounts::signIn(server, email, password)));
    return {userId(server, tokens.access), tokens.access, tokens.refresh};
}

// Ann owns a board Bob joined; Carol is signed in but no member.
struct Team
{
    Person ann;
    Person bob;
    Person carol;
    QString boardId;
};

Team makeTeam(ServerProcess& server)
{
    Team team {signIn(server, QStringLiteral("ann@example.com"), true),
        signIn(server, QStringLiteral("bob@example.com"), true),
        signIn(server, QStringLiteral("carol@example.com"), true), {}};
    team.boardId = server
                       .sendJson("POST", QStringLiteral("/api/boards"),
                           {{QStringLiteral("name"), QStringLiteral("Shared")}}, team.ann.access)
                       .json()
                       .value(QStringLiteral("id"))
                       .toString();
    joinBoard(server, team.boardId, team.ann.access, team.bob.access);
    return team;
}

QJsonObject newItem(const QString& boardId, const QString& content)
{
    return {{QStringLiteral("content"), content}, {QStringLiteral("status"), QStringLiteral("TODO")},
        {QStringLiteral("order"), 1}, {QStringLiteral("createdAt"), QStringLiteral("2026-01-01T00:00:00Z")},
        {QStringLiteral("boardId"), boardId}};
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

ServerProcess::Reply addItem(ServerProcess& server, const Team& team, const Person& by, QJsonObject item = {})
{
    if (item.isEmpty())
        item = newItem(team.boardId, QStringLiteral("Water the plants"));
    return server.sendJson(
        "POST", QStringLiteral("/api/boards/%1/items/%2").arg(team.boardId, newId()), item, by.access);
}

ServerProcess::Reply rename(
    ServerProcess& server, const QString& boardId, const Person& by, const QString& name)
{
    return server.sendJson(
        "PATCH", QStringLiteral("/api/boards/") + boardId, {{QStringLiteral("name"), name}}, by.access);
}

// What Bob does in one row of the delivery test; the answer's checkpoint when it names one.
qint64 act(ServerProcess& server, const Team& team, const QString& action)
{
    if (action == QLatin1String("add item"))
        return addItem(server, team, team.bob).json().value(QStringLiteral("revision")).toInteger();
    if (action == QLatin1String("sync three items")) {
        QJsonArray items;
        for (int i = 0; i < 3; ++i) {
            QJsonObject item = newItem(team.boardId, QStringLiteral("Synced %1").arg(i));
            item.insert(QStringLiteral("id"), newId());
            item.insert(QStringLiteral("createdBy"), team.bob.id);
            item.insert(QStringLiteral("updatedAt"), QStringLiteral("2026-01-01T00:00:00Z"));
            item.insert(QStringLiteral("revision"), 0);
            items.append(item);
        }
        return server
            .sendJson("POST", QStringLiteral("/api/boards/%1/sync").arg(team.boardId),
                {{QStringLiteral("checkpoint"), 0}, {QStringLiteral("items"), items}}, team.bob.access)
            .json()
            .value(QStringLiteral("latestCheckpoint"))
            .toInteger();
    }
    if (action == QLatin1String("assign item to Ann")) {
        QJsonObject item = newItem(team.boardId, QStringLiteral("For Ann"));
        item.insert(QStringLiteral("assignee"), team.ann.id);
        return addItem(server, team, team.bob, item).json().value(QStringLiteral("revision")).toInteger();
    }
    if (action == QLatin1String("rename board"))
        rename(server, team.boardId, team.bob, QStringLiteral("Renamed"));
    else if (action == QLatin1String("leave board"))
        server.send("DELETE", QStringLiteral("/api/boards/%1/users?userId=%2").arg(team.boardId, team.bob.id),
            {}, {}, team.bob.access);
    else if (action == QLatin1String("refused description"))
        server.sendJson("PATCH", QStringLiteral("/api/boards/") + team.boardId,
            {{QStringLiteral("info"), QStringLiteral("not the owner's")}}, team.bob.access);
    return 0;
}

} // namespace

class EventStreamTest : public ServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    // Work queued for "after the commit" runs then, and never for a transaction (or a part of one)
    // that rolled back.
    void committedWorkRunsOnlyAfterItsCommit_data()
    {
        QTest::addColumn<bool>("innerFails");
        QTest::addColumn<bool>("outerFails");
        QTest::addColumn<QStringList>("ran");
        QTest::newRow("committed") << false << false << QStringList {"outer", "inner"};
        QTest::newRow("rolled back") << false << true << QStringList {};
        QTest::newRow("savepoint rolled back, transaction committed")
            << true << false << QStringList {"outer"};
    }

    void committedWorkRunsOnlyAfterItsCommit()
    {
        QFETCH(bool, innerFails);
        QFETCH(bool, outerFails);
        QFETCH(QStringList, ran);
        QTemporaryDir dir;
        Database db;
        QVERIFY(!db.open(dir.filePath(QStringLiteral("after-commit.sqlite"))));
        db.execute(QStringLiteral("CREATE TABLE t (v INTEGER)"));
        QStringList done;
        try {
            db.transaction([&] {
                db.execute(QStringLiteral("INSERT INTO t VALUES (1)"));
                db.afterCommit([&] { done.append(QStringLiteral("outer")); });
                try {
                    db.transaction([&] {
                        db.afterCommit([&] { done.append(QStringLiteral("inner")); });
                        if (innerFails)
                            throw std::runtime_error("inner");
                    });
                } catch (const std::runtime_error&) {
                }
                QVERIFY2(done.isEmpty(), "work ran before the commit");
                if (outerFails)
                    throw std::runtime_error("outer");
            });
        } catch (const std::runtime_error&) {
        }
        QCOMPARE(done, ran);
    }

    void eventsReachTheAccountsConcerned_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("event");
        QTest::addColumn<bool>("toAnn");
        QTest::addColumn<bool>("toBob");
        QTest::newRow("item added") << "add item" << QByteArray("board-changed") << true << true;
        QTest::newRow("items synced") << "sync three items" << QByteArray("board-changed") << true << true;
        QTest::newRow("board renamed") << "rename board" << QByteArray("boards-changed") << true << true;
        QTest::newRow("member left") << "leave board" << QByteArray("boards-changed") << true << true;
        QTest::newRow("notification") << "assign item to Ann" << QByteArray("notification") << true << false;
        QTest::newRow("refused change")
            << "refused description" << QByteArray("boards-changed") << false << false;
    }

    void eventsReachTheAccountsConcerned()
    {
        QFETCH(QString, action);
        QFETCH(QByteArray, event);
        QFETCH(bool, toAnn);
        QFETCH(bool, toBob);
        ServerProcess server(config());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const Team team = makeTeam(server);
        QVERIFY(!team.boardId.isEmpty() && !team.carol.id.isEmpty());
        EventStreamClient ann;
        EventStreamClient bob;
        EventStreamClient carol;
        for (auto [client, person] :
            {std::pair {&ann, &team.ann}, {&bob, &team.bob}, {&carol, &team.carol}}) {
            QVERIFY(client->open(server.port(), person->access));
            QCOMPARE(client->status(), 200);
            QVERIFY(client->head().contains("Content-Type: text/event-stream"));
            QVERIFY(client->waitFor("hello", 5000));
        }
        QVERIFY(ann.session() != bob.session());

        const qint64 checkpoint = act(server, team, action);
        for (auto [client, expected] : {std::pair {&ann, toAnn}, {&bob, toBob}}) {
            const auto* got = client->waitFor(event, expected ? 5000 : 600);
            QVERIFY2(bool(got) == expected, event.constData());
            if (!got || event == "notification")
                continue;
            QCOMPARE(got->data.value(QStringLiteral("session")).toString(), bob.session());
            if (event != "board-changed")
                continue;
            QCOMPARE(got->data.value(QStringLiteral("boardId")).toString(), team.boardId);
            QCOMPARE(got->data.value(QStringLiteral("checkpoint")).toInteger(), checkpoint);
            // Sent after the commit: what the event announces can already be read.
            QVERIFY(fullSync(server, team.boardId, team.ann.access)
                        .json()
                        .value(QStringLiteral("latestCheckpoint"))
                        .toInteger()
                >= checkpoint);
        }
        // A sync of many items is one event, and nobody hears of a board they are not on.
        ann.pump(300);
        QCOMPARE(ann.count("board-changed"), event == "board-changed" ? 1 : int(action.contains("item")));
        carol.pump(300);
        QCOMPARE(carol.events().size(), 1);
    }

    void aSessionThatEndsEndsItsStreams_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("sign-out") << "sign-out";
        QTest::newRow("revoked from another session") << "revoked";
        QTest::newRow("refresh token used twice") << "reuse";
    }

    void aSessionThatEndsEndsItsStreams()
    {
        QFETCH(QString, ending);
        ServerProcess server(config());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const Team team = makeTeam(server);
        const Person laptop = team.ann;
        const Person phone = signIn(server, QStringLiteral("ann@example.com"), false);
        QVERIFY(!phone.access.isEmpty());
        EventStreamClient ended;
        EventStreamClient kept;
        QVERIFY(ended.open(server.port(), laptop.access) && ended.waitFor("hello", 5000));
        QVERIFY(kept.open(server.port(), phone.access) && kept.waitFor("hello", 5000));

        const QJsonObject refreshBody {{QStringLiteral("refreshToken"), laptop.refresh}};
        if (ending == QLatin1String("sign-out")) {
            QCOMPARE(server.sendJson("POST", QStringLiteral("/auth/logout"), refreshBody).status, 204);
        } else if (ending == QLatin1String("revoked")) {
            QString laptopSession;
            for (const QJsonValue& session :
                server.getWithToken(QStringLiteral("/api/sessions"), laptop.access)
                    .json()
                    .value(QStringLiteral("sessions"))
                    .toArray()) {
                if (session[QStringLiteral("current")].toBool())
                    laptopSession = session[QStringLiteral("id")].toString();
            }
            QCOMPARE(
                server.send("DELETE", QStringLiteral("/api/sessions/") + laptopSession, {}, {}, phone.access)
                    .status,
                204);
        } else {
            QCOMPARE(server.sendJson("POST", QStringLiteral("/auth/refresh"), refreshBody).status, 200);
            QCOMPARE(server.sendJson("POST", QStringLiteral("/auth/refresh"), refreshBody).status, 401);
        }
        QVERIFY(ended.waitFor("session-revoked", 5000));
        QVERIFY2(ended.waitClosed(5000), "the stream of an ended session stayed open");
        // The account's other session keeps its stream, which still hears of changes.
        QVERIFY(!kept.isClosed());
        QCOMPARE(kept.count("session-revoked"), 0);
        rename(server, team.boardId, team.bob, QStringLiteral("Still heard"));
        QVERIFY(kept.waitFor("boards-changed", 5000));
    }

    // Caps answer cleanly, streams hold no place of the ordinary connections, requests that are not
    // a stream's are refused as any route refuses them, and quiet streams get heartbeats.
    void streamsKeepTheirOwnBounds()
    {
        // Were streams counted with the ordinary connections, the four held here and the test's
        // own connection would leave no place for the refused requests below. The clients come
        // through a trusted proxy (127.0.0.1) from the addresses it forwards for.
        ServerProcess server(config(QStringLiteral("[server]\nmaxConnections=4\ntrustedProxies=127.0.0.1\n[events]\n"
                                                   "maxStreams=4\nmaxStreamsPerAccount=2\n"
                                                   "maxStreamsPerAddress=2\nheartbeatSeconds=1\n")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const Team team = makeTeam(server);
        struct Attempt
        {
            const Person* owner;
            QByteArray from;
            int status;
            QByteArray code;
        };
        const Attempt attempts[] = {{&team.ann, "10.0.0.1", 200, {}}, {&team.ann, "10.0.0.2", 200, {}},
            {&team.ann, "10.0.0.3", 429, "\"TOO_MANY_STREAMS\""}, {&team.bob, "10.0.0.1", 200, {}},
            // A third stream from one address, of an account that has none.
            {&team.carol, "10.0.0.1", 429, "\"TOO_MANY_STREAMS_FROM_ADDRESS\""},
            {&team.carol, "10.0.0.3", 200, {}}, {&team.bob, "10.0.0.4", 503, "\"SERVER_BUSY\""}};
        EventStreamClient streams[std::extent_v<decltype(attempts)>];
        for (std::size_t i = 0; i < std::size(attempts); ++i) {
            streams[i].setForwardedFor(attempts[i].from);
            QVERIFY(streams[i].open(server.port(), attempts[i].owner->access));
            QCOMPARE(streams[i].status(), attempts[i].status);
            if (attempts[i].status == 200)
                continue;
            QVERIFY(streams[i].head().contains("Retry-After: "));
            QVERIFY(streams[i].waitClosed(5000));
            QVERIFY2(streams[i].refusalBody().contains(attempts[i].code), streams[i].refusalBody().constData());
        }

        for (int i = 0; i < 4; ++i)
            QCOMPARE(server.get(QStringLiteral("/health")).status, 200);
        const QByteArray get = "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
        QCOMPARE(exchange(server.port(), get + "\r\n").status, 401);
        QCOMPARE(exchange(server.port(), get + "Authorization: Bearer at_forged\r\n\r\n").status, 401);
        QCOMPARE(exchange(server.port(),
                     "GET /api/events?access_token=" + team.ann.access.toUtf8()
                         + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
                     .status,
            401);
        QCOMPARE(exchange(server.port(),
                     "POST /api/events HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: 0\r\n"
                     "Authorization: Bearer "
                         + team.ann.access.toUtf8() + "\r\n\r\n")
                     .status,
            405);

        streams[3].pump(2500);
        QVERIFY2(streams[3].heartbeats() >= 1, "a quiet stream got no heartbeat");
        // The address's place comes free with its stream too.
        streams[3].close();
        QVERIFY(QTest::qWaitFor(
            [&] {
                EventStreamClient next;
                next.setForwardedFor("10.0.0.1");
                return next.open(server.port(), team.bob.access) && next.status() == 200;
            },
            5000));
        // A stream that ends gives its place back.
        streams[0].close();
        QVERIFY(QTest::qWaitFor(
            [&] {
                EventStreamClient next;
                return next.open(server.port(), team.carol.access) && next.status() == 200;
            },
            5000));
    }

    // A client that stops reading loses its stream; the others get every event meanwhile and
    // ordinary requests keep being answered.
    void aClientThatStopsReadingIsDropped()
    {
        ServerProcess server(config(QStringLiteral("[events]\nmaxStreamsPerAccount=1\nqueueFrames="
                                                   "4\nwriteTimeoutSeconds=1\nheartbeatSeconds=60\n")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const Team team = makeTeam(server);
        QVERIFY(joinBoard(server, team.boardId, team.ann.access, team.carol.access));
        EventStreamClient stalled;
        stalled.setReadLimit(1024);
        QVERIFY(stalled.open(server.port(), team.carol.access));
        QCOMPARE(stalled.status(), 200);
        EventStreamClient reader;
        QVERIFY(reader.open(server.port(), team.bob.access) && reader.waitFor("hello", 5000));

        int renames = 0;
        bool dropped = false;
        while (!dropped && renames < 4000) {
            for (int i = 0; i < 100; ++i, ++renames) {
                QCOMPARE(
                    rename(server, team.boardId, team.ann, QStringLiteral("Name %1").arg(renames)).status,
                    204);
                reader.pump(0);
            }
            QCOMPARE(server.get(QStringLiteral("/health")).status, 200);
            // Its one place (per account) comes free only once the server has let it go.
            EventStreamClient probe;
            dropped = probe.open(server.port(), team.carol.access) && probe.status() == 200;
        }
        QVERIFY2(dropped, "a client that read nothing kept its stream");
        QVERIFY(QTest::qWaitFor(
            [&] {
                reader.pump(50);
                return reader.count("boards-changed") == renames;
            },
            10000));
        QCOMPARE(reader.count("boards-changed"), renames);
    }

    void processesOfOneDatabaseShareEvents()
    {
        if (!cluster())
            QSKIP("SQLite is served by one process; this runs on PostgreSQL");
        const QString database = newDatabase();
        ServerProcess first(config({}, database));
        ServerProcess second(config({}, database));
        QVERIFY2(first.start(), qPrintable(first.errorString()));
        QVERIFY2(second.start(), qPrintable(second.errorString()));
        const Team team = makeTeam(first);
        const Person bobThere = signIn(second, QStringLiteral("bob@example.com"), false);
        EventStreamClient ann;
        EventStreamClient carol;
        EventStreamClient bob;
        QVERIFY(ann.open(first.port(), team.ann.access) && ann.waitFor("hello", 5000));
        QVERIFY(carol.open(first.port(), team.carol.access) && carol.waitFor("hello", 5000));
        QVERIFY(bob.open(first.port(), team.bob.access) && bob.waitFor("hello", 5000));

        EventStreamClient bobThereStream;
        QVERIFY(bobThereStream.open(second.port(), bobThere.access) && bobThereStream.waitFor("hello", 5000));
        const qint64 revision
            = addItem(second, team, bobThere).json().value(QStringLiteral("revision")).toInteger();
        const auto* changed = ann.waitFor("board-changed", 5000);
        QVERIFY2(changed, "a change made on the other process never arrived");
        QCOMPARE(changed->data.value(QStringLiteral("checkpoint")).toInteger(), revision);
        QCOMPARE(changed->data.value(QStringLiteral("session")).toString(), bobThereStream.session());

        // A transaction that numbered its event before a later one but commits after it is not
        // passed over.
        Database slow;
        QVERIFY(!slow.open(location(first, database)));
        bool heardLater = false;
        slow.transaction([&] {
            slow.query(QStringLiteral("SELECT pg_current_xact_id()"));
            slow.execute(QStringLiteral("INSERT INTO event_outbox (payload) VALUES (?)"),
                {QString::fromUtf8(
                    ServiceEvent {ServiceEvent::Kind::BoardsChanged, team.boardId, 0, {}, {}, {}}.toWire("slow"))});
            const qint64 later = addItem(second, team, bobThere).json().value(QStringLiteral("revision")).toInteger();
            heardLater = ann.waitFor("board-changed", 5000, [later](const EventStreamClient::Event& event) {
                return event.data.value(QStringLiteral("checkpoint")).toInteger() == later;
            });
        });
        QVERIFY(heardLater);
        QVERIFY2(ann.waitFor("boards-changed", 5000), "an event committed late never arrived");
        // The other process ends the session whose stream this one holds.
        QCOMPARE(second
                     .sendJson("POST", QStringLiteral("/auth/logout"),
                         {{QStringLiteral("refreshToken"), team.bob.refresh}})
                     .status,
            204);
        QVERIFY(bob.waitFor("session-revoked", 5000));
        QVERIFY(bob.waitClosed(5000));
        carol.pump(300);
        QCOMPARE(carol.events().size(), 1);
        // The operator's command is a process of its own, and its revocation still ends the stream.
        const ServerProcess::Outcome revoked = ServerProcess::run({QStringLiteral("--config"),
            first.configPath(), QStringLiteral("--revoke-sessions"), QStringLiteral("carol@example.com")});
        QVERIFY2(revoked.exitCode == 0, qPrintable(revoked.err));
        QVERIFY(carol.waitFor("session-revoked", 5000));
        QVERIFY(carol.waitClosed(5000));
    }

    // The stand-in service serves the same channel; a stream ends when its access token expires, by
    // the time passing or by the service's clock moved past it.
    void theDevserverServesTheChannel_data()
    {
        QTest::addColumn<std::optional<qint64>>("tokenSeconds");
        QTest::addColumn<bool>("moveClock");
        QTest::newRow("token runs out") << std::optional<qint64>(2) << false;
        QTest::newRow("clock moved past it") << std::optional<qint64>(600) << true;
    }

    void theDevserverServesTheChannel()
    {
        QFETCH(std::optional<qint64>, tokenSeconds);
        QFETCH(bool, moveClock);
        if (cluster())
            QSKIP("the devserver's own database is enough");
        DevServer server(DevServer::Options {false, {}, tokenSeconds, {}});
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        EventStreamClient stream;
        QVERIFY(stream.open(server.port(), ann.accessToken) && stream.waitFor("hello", 5000));
        QCOMPARE(stream.events().first().data.value(QStringLiteral("heartbeatSeconds")).toInt(), 20);
        QCOMPARE(server.request("POST", QStringLiteral("/api/boards"), R"({"name": "Mine"})", ann.accessToken)
                     .status,
            200);
        const auto* listed = stream.waitFor("boards-changed", 5000);
        QVERIFY(listed);
        QCOMPARE(listed->data.value(QStringLiteral("session")).toString(), stream.session());
        if (moveClock)
            QVERIFY(server.advanceClock(*tokenSeconds + 1));
        QVERIFY2(stream.waitFor("reauthenticate", 5000), "the stream outlived its access token");
        QVERIFY(stream.waitClosed(3000));
    }
};

QTEST_GUILESS_MAIN(EventStreamTest)
#include "EventStreamTest.moc"
