// The change channel: the event-stream parser over every way a stream may be cut into pieces and
// every malformed or oversized frame, and the channel itself against a streaming server on 127.0.0.1
// (events, its own board-list echoes skipped, token renewal, a service without the channel, a silent stream,
// the growing wait between attempts, a revoked session).
#include "ScriptedHttpServer.h"
#include "net/ChangeChannel.h"
#include "net/EventStreamParser.h"
#include "net/MemoryTokenStore.h"
#include "net/NetworkService.h"
#include "wirecodec/ResponseEncoder.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QTest>

namespace {
using Events = QList<EventStreamParser::Event>;

EventStreamParser::Event frame(const char* type, const char* data)
{
    return {QByteArray(type), QByteArray(data)};
}

const QByteArray hello = "event: hello\ndata: {\"session\":\"mine\",\"heartbeatSeconds\":20}\n\n";
const QString boardId = QStringLiteral("0b1e4f6a-2c3d-4e5f-8a9b-0c1d2e3f4a5b");

// What the channel told, one word per signal.
struct Heard
{
    QStringList said;
    explicit Heard(ChangeChannel& channel)
    {
        QObject::connect(&channel, &ChangeChannel::connectedChanged,
            [this](bool connected) { said.append(connected ? "connected" : "dropped"); });
        QObject::connect(&channel, &ChangeChannel::boardChanged, [this](const QUuid& id, qint64 checkpoint, bool own) {
            said.append(QStringLiteral("board %1 %2%3")
                            .arg(id.toString(QUuid::WithoutBraces))
                            .arg(checkpoint)
                            .arg(own ? QStringLiteral(" own") : QString()));
        });
        QObject::connect(&channel, &ChangeChannel::boardListChanged, [this] { said.append("list"); });
        QObject::connect(&channel, &ChangeChannel::notificationArrived, [this] { said.append("notification"); });
        QObject::connect(&channel, &ChangeChannel::sessionRevoked, [this] { said.append("revoked"); });
        QObject::connect(&channel, &ChangeChannel::unsupported, [this] { said.append("unsupported"); });
    }
};

struct Client
{
    ScriptedHttpServer server;
    NetworkService api;
    ChangeChannel channel;
    Heard heard;

    Client()
        : api(server.baseUrl(), std::make_shared<MemoryTokenStore>())
        , channel(api)
        , heard(channel)
    {
        QCoro::waitFor(api.setTokens(LoginTokens {QStringLiteral("access-1"), QStringLiteral("refresh-1")}));
        channel.setTiming({std::chrono::milliseconds(40), std::chrono::milliseconds(150), std::chrono::milliseconds(120)});
        channel.setRandom([] { return 0.5; });
    }
    int streamRequests() const
    {
        return int(std::count_if(server.requests().cbegin(), server.requests().cend(),
            [](const RecordedRequest& request) { return request.path() == ChangeChannel::path; }));
    }
};
}

class ChangeChannelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesEveryCut_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<Events>("expected");
        QTest::newRow("two events, LF") << QByteArray("event: a\ndata: 1\n\nevent: b\ndata: 2\n\n")
                                        << Events {frame("a", "1"), frame("b", "2")};
        QTest::newRow("CRLF and CR") << QByteArray("event: a\r\ndata: 1\r\n\r\nevent: b\rdata: 2\r\r")
                                     << Events {frame("a", "1"), frame("b", "2")};
        QTest::newRow("no type, no space, joined data")
            << QByteArray("data:x\ndata: y\n\n") << Events {frame("message", "x\ny")};
        QTest::newRow("comments, unknown fields, BOM")
            << QByteArray("\xEF\xBB\xBF: ping\nid: 7\nretry: 5\nevent: a\nfoo: bar\ndata: {}\n\n: ping\n\n")
            << Events {frame("a", "{}")};
        QTest::newRow("no data: nothing") << QByteArray("event: a\n\nevent: b\n\n") << Events {};
        QTest::newRow("unfinished event waits") << QByteArray("event: a\ndata: 1\n") << Events {};
        QTest::newRow("line too long drops its event only")
            << (QByteArray("event: a\ndata: ") + QByteArray(100, 'x') + "\n\nevent: b\ndata: 2\n\n")
            << Events {frame("b", "2")};
        QTest::newRow("endless line, then a good event")
            << (QByteArray("data: ") + QByteArray(300, 'x') + "\n\ndata: ok\n\n") << Events {frame("message", "ok")};
        QTest::newRow("event too large dropped")
            << (QByteArray("event: a\n") + QByteArray("data: 0123456789012345678901234567890123456789\n").repeated(5)
                   + "\nevent: b\ndata: 2\n\n")
            << Events {frame("b", "2")};
    }

    void parsesEveryCut()
    {
        QFETCH(QByteArray, stream);
        QFETCH(Events, expected);
        for (const qsizetype piece : {stream.size(), qsizetype(1), qsizetype(2), qsizetype(7)}) {
            EventStreamParser parser(64, 160);
            Events got;
            for (qsizetype at = 0; at < stream.size(); at += piece)
                got += parser.feed(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)));
            QVERIFY2(got == expected, qPrintable(QStringLiteral("pieces of %1: %2 events").arg(piece).arg(got.size())));
        }
    }

    void passesEventsOnAndSkipsItsOwn_data()
    {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QStringList>("said");
        const QString board = QStringLiteral("board ") + boardId;
        QTest::newRow("a teammate's change")
            << ("event: board-changed\ndata: {\"boardId\":\"" + boardId.toLatin1() + "\",\"checkpoint\":42,\"session\":\"other\"}\n\n")
            << QStringList {board + " 42"};
        // An own item change still counts: its answer may have been lost on the way here.
        QTest::newRow("own list change skipped, own item change passed on as own")
            << ("event: board-changed\ndata: {\"boardId\":\"" + boardId.toLatin1() + "\",\"checkpoint\":3,\"session\":\"mine\"}\n\n"
                "event: boards-changed\ndata: {\"session\":\"mine\"}\n\n")
            << QStringList {board + " 3 own"};
        QTest::newRow("list and notification")
            << QByteArray("event: boards-changed\ndata: {\"session\":\"other\"}\n\nevent: notification\ndata: {}\n\n")
            << QStringList {"list", "notification"};
        QTest::newRow("malformed frames ignored")
            << QByteArray("event: board-changed\ndata: {\"boardId\":\"not a uuid\"}\n\n"
                          "event: board-changed\ndata: [1,2\n\n"
                          "event: board-changed\ndata: \"text\"\n\n"
                          "event: nonsense\ndata: {}\n\n"
                          "event: notification\ndata: {}\n\n")
            << QStringList {"notification"};
        QTest::newRow("snake-case keys")
            << ("event: board-changed\ndata: {\"board_id\":\"" + boardId.toLatin1() + "\",\"checkpoint\":7}\n\n")
            << QStringList {board + " 7"};
        QTest::newRow("no checkpoint") << ("event: board-changed\ndata: {\"boardId\":\"" + boardId.toLatin1() + "\"}\n\n")
                                       << QStringList {board + " -1"};
    }

    void passesEventsOnAndSkipsItsOwn()
    {
        QFETCH(QByteArray, frames);
        QFETCH(QStringList, said);
        Client client;
        client.server.script({ScriptedReply::stream(hello)});
        client.channel.start();
        QTRY_VERIFY(client.channel.isConnected());
        QCOMPARE(client.channel.session(), QStringLiteral("mine"));
        QCOMPARE(client.server.requests().constFirst().header("authorization"), QByteArray("Bearer access-1"));
        QVERIFY(client.server.pushToStream(frames + "event: notification\ndata: {\"end\":1}\n\n"));
        said.prepend("connected");
        said.append("notification");
        QTRY_COMPARE(client.heard.said, said);
    }

    void renewsTheTokenAndReconnects_data()
    {
        QTest::addColumn<bool>("askedByTheStream");
        QTest::newRow("401") << false;
        QTest::newRow("reauthenticate") << true;
    }

    void renewsTheTokenAndReconnects()
    {
        QFETCH(bool, askedByTheStream);
        Client client;
        const QByteArray renewed = encodeBody(LoginTokens {QStringLiteral("access-2"), QStringLiteral("refresh-2")});
        if (askedByTheStream)
            client.server.script({ScriptedReply::stream(hello + "event: reauthenticate\ndata: {}\n\n"),
                ScriptedReply::json(200, renewed), ScriptedReply::stream(hello)});
        else
            client.server.script({ScriptedReply::json(401, R"({"error":"expired"})"), ScriptedReply::json(200, renewed),
                ScriptedReply::stream(hello)});
        client.channel.start();
        QTRY_COMPARE(client.server.openStreams(), 1);
        QTRY_VERIFY(client.channel.isConnected());
        QCOMPARE(client.server.requests().size(), 3);
        QCOMPARE(client.server.requests().at(1).path(), QStringLiteral("/auth/refresh"));
        QCOMPARE(client.server.requests().at(2).header("authorization"), QByteArray("Bearer access-2"));
    }

    void aRefusedRenewalWaits()
    {
        Client client;
        client.channel.setTiming({std::chrono::milliseconds(400), std::chrono::milliseconds(400), std::chrono::milliseconds(2000)});
        client.server.script({ScriptedReply::json(401, "{}"), ScriptedReply::json(401, "{}"),
            ScriptedReply::json(401, "{}"), ScriptedReply::stream(hello)});
        client.channel.start();
        // A refused renewal waits; so does the next 401 before any hello, rather than renew in a loop.
        QTRY_COMPARE(client.channel.state(), ChangeChannel::State::waiting);
        QCOMPARE(client.server.requests().size(), 2);
        QTRY_VERIFY(client.channel.isConnected());
    }

    void leavesAServiceWithoutTheChannelAlone()
    {
        Client client;
        client.server.script({ScriptedReply::json(404, R"({"error":"not found"})")});
        client.channel.start();
        QTRY_COMPARE(client.heard.said, QStringList {"unsupported"});
        QTest::qWait(200);
        QCOMPARE(client.server.requests().size(), 1);
        QCOMPARE(client.channel.state(), ChangeChannel::State::unsupported);
    }

    void waitsLongerAfterEachFailure()
    {
        Client client;
        // Four refusals: 40, 80, 150 (the longest), 150 ms; the fifth attempt connects.
        client.server.script({ScriptedReply::json(500, "{}"), ScriptedReply::json(503, "{}"), ScriptedReply::json(504, "{}"),
            ScriptedReply::json(502, "{}"), ScriptedReply::stream(hello)});
        client.channel.start();
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(client.channel.isConnected(), 5000);
        QVERIFY2(clock.elapsed() >= 40 + 80 + 150 + 150 - 20, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(client.channel.retryDelay(), std::chrono::milliseconds(40));
        // A stream that ends is opened again after the first wait.
        client.server.enqueue(ScriptedReply::stream(hello));
        client.server.endStreams();
        QTRY_COMPARE(client.heard.said, (QStringList {"connected", "dropped", "connected"}));
    }

    void reconnectsASilentStream()
    {
        Client client;
        // No hello and no byte: 2.5 times the 120 ms heartbeat later the stream is given up.
        client.server.script({ScriptedReply::stream(": ping\n\n"), ScriptedReply::stream(hello)});
        client.channel.start();
        QTRY_VERIFY(client.channel.isConnected());
        QCOMPARE(client.streamRequests(), 2);
    }

    void aRevokedSessionStops()
    {
        Client client;
        client.server.script({ScriptedReply::stream(hello)});
        client.channel.start();
        QTRY_VERIFY(client.channel.isConnected());
        QVERIFY(client.server.pushToStream("event: session-revoked\ndata: {}\n\n"));
        QTRY_COMPARE(client.heard.said, (QStringList {"connected", "dropped", "revoked"}));
        QCOMPARE(client.channel.state(), ChangeChannel::State::stopped);
        client.server.endStreams();
        QTest::qWait(150);
        QCOMPARE(client.streamRequests(), 1);
    }
};

QTEST_GUILESS_MAIN(ChangeChannelTest)
#include "ChangeChannelTest.moc"
