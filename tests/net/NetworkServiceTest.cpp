// The transport against a scripted HTTP server on 127.0.0.1: the failure table, the exact log lines,
// the 401 refresh and its single repetition, the time-out, logout, and URL building.
#include "ScriptedHttpServer.h"
#include "net/Endpoint.h"
#include "net/MemoryTokenStore.h"
#include "net/NetworkService.h"
#include "net/ReplyBodyCollector.h"
#include "support/LogCapture.h"
#include "wirecodec/ResponseEncoder.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <optional>

namespace {
QByteArray tokensBody(const QString& access, const QString& refresh)
{
    return encodeBody(LoginTokens { access, refresh });
}

// Runs one fetch to its end in the background, so a test can act while it waits.
QCoro::Task<void> fetchInto(NetworkService* service, QString path, std::optional<ApiResult<InvitationResponse>>* into)
{
    *into = co_await fetchRecord<InvitationResponse>(service, EndpointRequest("GET", path));
}

// A finished reply already holding its whole body, as a fast connection leaves it while the
// window's thread was busy.
class HeldReply : public QNetworkReply
{
public:
    // A `broken` reply says it holds its body but gives none of it.
    explicit HeldReply(QByteArray body, bool broken = false)
        : m_body(std::move(body))
        , m_broken(broken)
    {
        setHeader(QNetworkRequest::ContentLengthHeader, m_body.size());
        open(QIODevice::ReadOnly);
        setFinished(true);
    }
    void abort() override { }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_body.size() - m_read + QNetworkReply::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_broken)
            return -1;
        const qint64 count = std::min(maxSize, m_body.size() - m_read);
        std::copy_n(m_body.constData() + m_read, count, data);
        m_read += count;
        return count;
    }

private:
    QByteArray m_body;
    bool m_broken = false;
    qint64 m_read = 0;
};

QCoro::Task<void> takeInto(ReplyBodyCollector* collector, std::optional<QByteArray>* into)
{
    *into = co_await collector->takeAll();
}

QString storedToken(TokenStore& store, const QString& account)
{
    const TokenReadResult read = QCoro::waitFor(store.read(account));
    return read && *read ? **read : QString();
}

// One service with its own store, against its own server, with the given tokens loaded.
struct Harness
{
    explicit Harness(const QString& access = {}, const QString& refresh = {})
        : store(std::make_shared<MemoryTokenStore>())
        , service(server.baseUrl(), store)
    {
        if (!access.isEmpty())
            QCoro::waitFor(store->save(NetworkService::accessTokenAccount, access));
        if (!refresh.isEmpty())
            QCoro::waitFor(store->save(NetworkService::refreshTokenAccount, refresh));
        QCoro::waitFor(service.loadTokens());
    }

    ApiResult<InvitationResponse> fetch(const QString& path = QStringLiteral("/api/thing"))
    {
        return QCoro::waitFor(fetchRecord<InvitationResponse>(&service, EndpointRequest("GET", path)));
    }

    ScriptedHttpServer server;
    std::shared_ptr<MemoryTokenStore> store;
    NetworkService service;
};
}

class NetworkServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void failures_data()
    {
        QTest::addColumn<QList<ScriptedReply>>("replies");
        QTest::addColumn<QString>("refreshToken");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message"); // empty: any non-empty text
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("logLine"); // one line the log must contain
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("accessAfter");

        const QString thing = QStringLiteral("/api/thing");
        const QString refresh = QStringLiteral("/auth/refresh");
        const QString r = QStringLiteral("r1");
        const QString a1 = QStringLiteral("a1");

        QTest::newRow("500 with a text body") << QList { ScriptedReply::text(500, "Internal failure") } << r << 500
                                              << "Internal Server Error" << "Internal failure" << thing
                                              << "500 Error: Internal failure" << 1 << a1;
        QTest::newRow("403 with an empty object")
            << QList { ScriptedReply::json(403, "{}") } << r << 403 << "Forbidden"
            << "You don't have permissions to perform this action." << thing
            << "403 Forbidden: You don't have permissions to perform this action." << 1 << a1;
        QTest::newRow("404 with the service's code")
            << QList { ScriptedReply::json(404, R"({"status":0,"code":"BOARD_ACCESS_DENIED","message":"No access"})") }
            << r << 404 << "BOARD_ACCESS_DENIED" << "No access" << thing << "404 Error: No access" << 1 << a1;
        QTest::newRow("error key and path of the body")
            << QList { ScriptedReply::json(400, R"({"error":"Bad thing","path":"/elsewhere"})") } << r << 400
            << "Bad thing" << "Bad thing" << "/elsewhere" << "400 Error: Bad thing" << 1 << a1;
        QTest::newRow("body that is not UTF-8") << QList { ScriptedReply::text(502, "\xff\xfe\xfd") } << r << 502
                                                << "Bad Gateway" << "No message" << thing << "502 Error: No message"
                                                << 1 << a1;
        QTest::newRow("connection closed without answer")
            << QList { ScriptedReply::hangUp() } << r << -1 << "Request Failed" << QString() << thing << QString() << 1
            << a1;
        QTest::newRow("200 lacking a required key")
            << QList { ScriptedReply::json(200, R"({"other":"x"})") } << r << 200 << "Decoding Failed" << QString()
            << thing << R"(Decoding failed for InvitationResponse. Body: {"other":"x"})" << 1 << a1;
        // A long body is logged by its beginning, cut between characters, its token hidden.
        const QByteArray longBody
            = "{\"pads\":\"" + QString(3000, QChar(0xE9)).toUtf8() + "\",\"refreshToken\":\"secret\"}";
        QTest::newRow("200 with a long body lacking a required key")
            << QList { ScriptedReply::json(200, longBody) } << r << 200 << "Decoding Failed" << QString() << thing
            << QStringLiteral("Decoding failed for InvitationResponse. Body: {\"pads\":\"") + QString(2043, QChar(0xE9))
                + QStringLiteral("… (%1 bytes in all)").arg(longBody.size())
            << 1 << a1;
        QTest::newRow("401 without a refresh token")
            << QList { ScriptedReply::json(401, "{}") } << QString() << 401 << "Unauthorized"
            << "Missing refresh token." << refresh << "🌐 [Net] ✖︎ token refresh failed: Missing refresh token."
            << 1 << a1;
        QTest::newRow("401 again on the repeated request")
            << QList { ScriptedReply::json(401, "{}"), ScriptedReply::json(200, tokensBody("a2", "r2")),
                   ScriptedReply::json(401, R"({"message":"Still no"})") }
            << r << 401 << "Still no" << "Still no" << thing << "🌐 [Net] ✖︎ request failed: Still no" << 3
            << "a2";
        QTest::newRow("refresh refused")
            << QList { ScriptedReply::json(401, "{}"),
                   ScriptedReply::json(401, R"({"code":"REFRESH_EXPIRED","message":"Refresh token expired"})") }
            << r << 401 << "REFRESH_EXPIRED" << "Refresh token expired" << refresh
            << "🌐 [Net] ✖︎ token refresh failed: Refresh token expired" << 2 << a1;
        QTest::newRow("refresh cut off by the network")
            << QList { ScriptedReply::json(401, "{}"), ScriptedReply::hangUp() } << r << -1 << "Token Refresh Failed"
            << QString() << thing << QString() << 2 << a1;
        QTest::newRow("refresh answer lacking a key")
            << QList { ScriptedReply::json(401, "{}"), ScriptedReply::json(200, R"({"accessToken":"x"})") } << r << 200
            << "Decoding Failed" << QString() << refresh
            << R"(Decoding failed for LoginTokens. Body: {"accessToken":"***redacted***"})" << 2 << a1;
        QTest::newRow("refresh answer with tokens that do not decode")
            << QList { ScriptedReply::json(401, "{}"),
                   ScriptedReply::json(200, R"({"access_token":"live-a","refresh_token":"live-r","expires":1)") }
            << r << 200 << "Decoding Failed" << QString() << refresh
            << R"(Decoding failed for LoginTokens. Body: {"access_token":"***redacted***","refresh_token":"***redacted***","expires":1)"
            << 2 << a1;
        QTest::newRow("404 whose message is the phrase")
            << QList { ScriptedReply::json(404, R"({"status":404,"message":"Not Found"})") } << r << 404 << "Not Found"
            << "Not Found" << thing << "404 Error: Not Found" << 1 << a1;
    }

    void failures()
    {
        QFETCH(QList<ScriptedReply>, replies);
        QFETCH(QString, refreshToken);
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QFETCH(QString, path);
        QFETCH(QString, logLine);
        QFETCH(int, requests);
        QFETCH(QString, accessAfter);

        Harness harness(QStringLiteral("a1"), refreshToken);
        harness.server.script(replies);
        LogCapture log;
        const ApiResult<InvitationResponse> result = harness.fetch();

        QVERIFY(!result);
        QCOMPARE(result.error().status, status);
        QCOMPARE(result.error().code, code);
        if (message.isEmpty())
            QVERIFY(!result.error().message.isEmpty());
        else
            QCOMPARE(result.error().message, message);
        QCOMPARE(result.error().description(), result.error().message);
        QCOMPARE(result.error().path, path);
        if (!logLine.isEmpty())
            QVERIFY2(log.contains(logLine), qPrintable(log.lines().join(QLatin1Char('\n'))));
        QCOMPARE(harness.server.requests().size(), requests);
        QCOMPARE(harness.service.accessToken(), accessAfter);
        QCOMPARE(storedToken(*harness.store, NetworkService::accessTokenAccount), accessAfter);
    }

    // Qt's HTTP client silently sends a request again when its connection closes before the answer.
    // The server here reads each request whole and then hangs up: it has "carried it out".
    void connectionLostBeforeTheAnswer_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("body"); // "-" for none
        QTest::addColumn<bool>("gently");
        QTest::addColumn<bool>("mayRepeat");

        const QByteArray json = R"({"name":"Plans"})";
        for (const bool gently : {false, true}) {
            const char* close = gently ? "closed" : "reset";
            QTest::addRow("POST with a body, %s", close) << QByteArray("POST") << json << gently << false;
            QTest::addRow("POST without a body, %s", close)
                << QByteArray("POST") << QByteArray("-") << gently << false;
            QTest::addRow("PATCH with a body, %s", close) << QByteArray("PATCH") << json << gently << false;
            QTest::addRow("PATCH without a body, %s", close)
                << QByteArray("PATCH") << QByteArray("-") << gently << false;
            QTest::addRow("GET, %s", close) << QByteArray("GET") << QByteArray("-") << gently << true;
            QTest::addRow("DELETE, %s", close) << QByteArray("DELETE") << QByteArray("-") << gently << true;
        }
    }

    void connectionLostBeforeTheAnswer()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, body);
        QFETCH(bool, gently);
        QFETCH(bool, mayRepeat);

        Harness harness(QStringLiteral("a1"), QStringLiteral("r1"));
        harness.server.script({gently ? ScriptedReply::hangUpGently() : ScriptedReply::hangUp()});
        const std::optional<QByteArray> sent = body == "-" ? std::nullopt : std::optional(body);
        LogCapture log;
        const ApiResult<ServiceResponse> result = QCoro::waitFor(sendEndpointRequest(
            &harness.service, EndpointRequest(method, QStringLiteral("/api/boards"), {}, true, sent)));

        QVERIFY(!result);
        QCOMPARE(result.error().status, -1);
        QCOMPARE(result.error().code, QStringLiteral("Request Failed"));
        QCOMPARE(result.error().message, QStringLiteral("The network connection was lost."));
        QCOMPARE(result.error().path, QStringLiteral("/api/boards"));
        QVERIFY(log.contains(
            QStringLiteral("🌐 [Net] ✖︎ request failed: The network connection was lost.")));
        QCOMPARE(harness.server.requests().size(), 1);
        QCOMPARE(harness.server.requests().constFirst().method, method);
        QCOMPARE(harness.server.requests().constFirst().body, sent.value_or(QByteArray()));
        if (!mayRepeat)
            QCOMPARE(harness.server.arrivals(), 1);
        else
            QVERIFY(harness.server.arrivals() >= 1);
    }

    // The body that cannot be rewound still arrives whole, large or empty, and the answer is read.
    void oneShotBodiesArriveWhole_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("POST, small") << QByteArray("POST") << QByteArray(R"({"name":"Plans"})");
        QTest::newRow("POST, 3 MiB") << QByteArray("POST") << QByteArray(3 << 20, 'x');
        QTest::newRow("PATCH, empty") << QByteArray("PATCH") << QByteArray();
    }

    void oneShotBodiesArriveWhole()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, body);

        Harness harness(QStringLiteral("a1"));
        harness.server.script({ScriptedReply::json(200, R"({"code":"JOIN-1"})")});
        const ApiResult<InvitationResponse> result = QCoro::waitFor(fetchRecord<InvitationResponse>(
            &harness.service, EndpointRequest(method, QStringLiteral("/api/thing"), {}, true, body)));

        QVERIFY(result);
        QCOMPARE(result->code, QStringLiteral("JOIN-1"));
        QCOMPARE(harness.server.arrivals(), 1);
        QCOMPARE(harness.server.requests().constFirst().method, method);
        QCOMPARE(
            harness.server.requests().constFirst().header("content-length"), QByteArray::number(body.size()));
        QVERIFY(harness.server.requests().constFirst().body == body);
    }

    // The answer is taken piece by piece as it downloads: whatever its size and however it is sent,
    // it arrives whole and in order.
    void answersArriveWhole_data()
    {
        QTest::addColumn<int>("codeBytes");
        QTest::addColumn<bool>("chunked");

        QTest::newRow("small, with its length") << 8 << false;
        QTest::newRow("small, in chunks") << 8 << true;
        QTest::newRow("3 MiB, with its length") << (3 << 20) << false;
        QTest::newRow("3 MiB, in chunks") << (3 << 20) << true;
    }

    void answersArriveWhole()
    {
        QFETCH(int, codeBytes);
        QFETCH(bool, chunked);

        // Every position tells its own value, so a piece out of place or missing shows.
        QByteArray code(codeBytes, Qt::Uninitialized);
        for (int i = 0; i < codeBytes; ++i)
            code[i] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[(i / 7 + i) % 36];
        ScriptedReply reply = ScriptedReply::json(200, R"({"code":")" + code + R"("})");
        reply.chunked = chunked;
        Harness harness(QStringLiteral("a1"));
        harness.server.script({reply});

        const ApiResult<InvitationResponse> result = harness.fetch();
        QVERIFY(result);
        QCOMPARE(result->code.size(), codeBytes);
        QVERIFY(result->code == QString::fromLatin1(code));
    }

    // Taken in pieces, a body that piled up at once still lets the window run between them.
    void aHeldAnswerIsTakenOverManyTurns()
    {
        QByteArray body(3 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < body.size(); ++i)
            body[i] = char('a' + (i / 13 + i) % 26);
        HeldReply reply(body);
        auto* collector = new ReplyBodyCollector(&reply);
        int turns = 0;
        QTimer window;
        window.setInterval(0);
        QObject::connect(&window, &QTimer::timeout, &window, [&turns] { ++turns; });
        window.start();

        const QByteArray taken = QCoro::waitFor(collector->takeAll());
        QVERIFY(taken == body);
        QVERIFY2(turns >= 3, qPrintable(QStringLiteral("%1 turns for 3 MiB").arg(turns)));
    }

    void aReplyGivingNothingEndsTheTake()
    {
        HeldReply reply(QByteArray(4096, 'x'), true);
        auto* collector = new ReplyBodyCollector(&reply);
        std::optional<QByteArray> taken;
        takeInto(collector, &taken);
        QTRY_VERIFY_WITH_TIMEOUT(taken.has_value(), 5000);
        QVERIFY(taken->isEmpty());
    }

    void refreshAndRepeat()
    {
        Harness harness(QStringLiteral("a1"), QStringLiteral("r1"));
        harness.server.script({ ScriptedReply::json(401, "{}"), ScriptedReply::json(200, tokensBody("a2", "r2")),
            ScriptedReply::json(200, R"({"code":"JOIN-1"})") });
        LogCapture log;
        const ApiResult<InvitationResponse> result = harness.fetch();

        QVERIFY(result);
        QCOMPARE(result->code, QStringLiteral("JOIN-1"));
        const QString url = harness.server.baseUrl() + QStringLiteral("/api/thing");
        const QString requestLine
            = QStringLiteral(R"(🌐 [Net] → GET %1 headers={"Authorization": "Bearer ***redacted***"})").arg(url);
        const QString generic = QStringLiteral("Unauthorized — please check your credentials.");
        QCOMPARE(log.lines(),
            QStringList({ requestLine, QStringLiteral("🌐 [Net] ← 401 /api/thing (2B)"),
                QStringLiteral("401 Unauthorized: ") + generic,
                QStringLiteral("🌐 [Net] ⚠️ 401 for /api/thing → attempting refresh (%1)").arg(generic),
                QStringLiteral("🌐 [Net] → POST /auth/refresh"), QStringLiteral("🌐 [Net] ← 200 /auth/refresh"),
                QStringLiteral("🌐 [Net] 🔑 tokens updated"), requestLine,
                QStringLiteral("🌐 [Net] ↻ retry ← 200 /api/thing (17B)") }));

        const QList<RecordedRequest>& sent = harness.server.requests();
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent[0].header("Authorization"), QByteArray("Bearer a1"));
        QCOMPARE(sent[1].method, QByteArray("POST"));
        QCOMPARE(sent[1].path(), QStringLiteral("/auth/refresh"));
        QVERIFY(!sent[1].hasHeader("Authorization"));
        QCOMPARE(sent[1].header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(QJsonDocument::fromJson(sent[1].body), QJsonDocument::fromJson(R"({"refreshToken":"r1"})"));
        QCOMPARE(sent[2].header("Authorization"), QByteArray("Bearer a2"));
        QCOMPARE(storedToken(*harness.store, NetworkService::accessTokenAccount), QStringLiteral("a2"));
        QCOMPARE(storedToken(*harness.store, NetworkService::refreshTokenAccount), QStringLiteral("r2"));
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(QLatin1String("a1")) && !line.contains(QLatin1String("a2")), qPrintable(line));
    }

    // A 401 whose body names another status is still a 401: the transport refreshes and repeats.
    void httpStatusDecidesOverTheBody()
    {
        Harness harness(QStringLiteral("a1"), QStringLiteral("r1"));
        harness.server.script({ ScriptedReply::json(401, R"({"status":403,"message":"Token expired"})"),
            ScriptedReply::json(200, tokensBody("a2", "r2")), ScriptedReply::json(200, R"({"code":"JOIN-1"})") });
        const ApiResult<InvitationResponse> result = harness.fetch();
        QVERIFY(result);
        QCOMPARE(harness.server.requests().size(), 3);
        QCOMPARE(harness.service.accessToken(), QStringLiteral("a2"));
    }

    // The service rotates refresh tokens: requests that meet 401 together share one refresh, and every
    // one of them is repeated with the new token.
    void concurrentUnauthorizedRequestsShareOneRefresh()
    {
        Harness harness(QStringLiteral("a1"), QStringLiteral("r1"));
        harness.server.script({ ScriptedReply::json(401, "{}"), ScriptedReply::json(401, "{}"),
            ScriptedReply::json(401, "{}"), ScriptedReply::json(200, tokensBody("a2", "r2")),
            ScriptedReply::json(200, R"({"code":"1"})"), ScriptedReply::json(200, R"({"code":"2"})"),
            ScriptedReply::json(200, R"({"code":"3"})") });
        harness.server.holdRepliesTo(QStringLiteral("/api/thing"));
        std::array<std::optional<ApiResult<InvitationResponse>>, 3> results;
        for (auto& result : results)
            fetchInto(&harness.service, QStringLiteral("/api/thing"), &result);
        QTRY_COMPARE(harness.server.heldCount(), 3);
        harness.server.releaseHeld();
        QTRY_VERIFY(std::all_of(results.begin(), results.end(), [](const auto& result) { return result.has_value(); }));

        for (const auto& result : results)
            QVERIFY2(*result, qPrintable(result->error().message));
        const QList<RecordedRequest>& sent = harness.server.requests();
        QCOMPARE(std::count_if(sent.begin(), sent.end(), [](const RecordedRequest& request) {
            return request.path() == QLatin1String("/auth/refresh");
        }), 1);
        QCOMPARE(sent.size(), 7);
        for (qsizetype i = 4; i < sent.size(); ++i)
            QCOMPARE(sent[i].header("Authorization"), QByteArray("Bearer a2"));
        QCOMPARE(storedToken(*harness.store, NetworkService::refreshTokenAccount), QStringLiteral("r2"));
    }

    // A refresh that answers after the user signed out must not sign them in again.
    void refreshEndingAfterSignOutIsDiscarded()
    {
        Harness harness(QStringLiteral("a1"), QStringLiteral("r1"));
        harness.server.script({ ScriptedReply::json(401, "{}"), ScriptedReply::json(200, "{}"),
            ScriptedReply::json(200, tokensBody("a2", "r2")) });
        harness.server.holdRepliesTo(QStringLiteral("/auth/refresh"));
        std::optional<ApiResult<InvitationResponse>> result;
        fetchInto(&harness.service, QStringLiteral("/api/thing"), &result);
        QTRY_COMPARE(harness.server.heldCount(), 1);

        QCoro::waitFor(harness.service.logout());
        harness.server.releaseHeld();
        QTRY_VERIFY(result.has_value());

        QVERIFY(!*result);
        QCOMPARE(result->error().status, 401);
        QVERIFY(harness.service.accessToken().isEmpty());
        QVERIFY(harness.service.refreshToken().isEmpty());
        QCOMPARE(storedToken(*harness.store, NetworkService::accessTokenAccount), QString());
        QCOMPARE(storedToken(*harness.store, NetworkService::refreshTokenAccount), QString());
        QCOMPARE(harness.server.requests().size(), 3);
    }

    void authorizationHeader_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("headers");
        QTest::addColumn<QByteArray>("received"); // empty: no Authorization header at all
        QTest::newRow("no token") << QString() << "{}" << QByteArray();
        QTest::newRow("token") << "secret-token" << R"({"Authorization": "Bearer ***redacted***"})"
                               << QByteArray("Bearer secret-token");
    }

    void authorizationHeader()
    {
        QFETCH(QString, token);
        QFETCH(QString, headers);
        QFETCH(QByteArray, received);

        Harness harness(token);
        harness.server.script({ ScriptedReply::json(200, R"({"code":"x"})") });
        LogCapture log;
        QVERIFY(harness.fetch(QStringLiteral("/api/thing?x=1")));

        QCOMPARE(log.lines().value(0),
            QStringLiteral("🌐 [Net] → GET %1/api/thing?x=1 headers=%2").arg(harness.server.baseUrl(), headers));
        QCOMPARE(log.lines().value(1), QStringLiteral("🌐 [Net] ← 200 /api/thing (12B)"));
        QCOMPARE(harness.server.requests().value(0).hasHeader("Authorization"), !received.isEmpty());
        QCOMPARE(harness.server.requests().value(0).header("Authorization"), received);
    }

    void timeOut()
    {
        Harness harness;
        harness.service.setRequestTimeout(std::chrono::milliseconds(300));
        harness.server.script({ ScriptedReply::silence() });
        LogCapture log;
        const ApiResult<InvitationResponse> result = harness.fetch();

        QVERIFY(!result);
        QCOMPARE(result.error().status, -1);
        QCOMPARE(result.error().code, QStringLiteral("Request Failed"));
        QCOMPARE(result.error().message, QStringLiteral("The request timed out."));
        QVERIFY(log.contains(QStringLiteral("🌐 [Net] ✖︎ request failed: The request timed out.")));
    }

    void unreachableService()
    {
        QString baseUrl;
        {
            ScriptedHttpServer closed;
            baseUrl = closed.baseUrl();
        }
        NetworkService service(baseUrl, std::make_shared<MemoryTokenStore>());
        const auto result = QCoro::waitFor(fetchRecord<InvitationResponse>(&service, EndpointRequest("GET", "/x")));
        QVERIFY(!result);
        QCOMPARE(result.error().status, -1);
        QCOMPARE(result.error().code, QStringLiteral("Request Failed"));
        QVERIFY(!result.error().message.isEmpty());
        QCOMPARE(result.error().path, QStringLiteral("/x"));
    }

    void notHttp()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("answer.json")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"code":"x"})");
        file.close();

        NetworkService service(QUrl::fromLocalFile(folder.path()).toString(), std::make_shared<MemoryTokenStore>());
        const auto result
            = QCoro::waitFor(fetchRecord<InvitationResponse>(&service, EndpointRequest("GET", "/answer.json")));
        QVERIFY(!result);
        QCOMPARE(result.error().status, -1);
        QCOMPARE(result.error().code, QStringLiteral("Invalid Response"));
        QCOMPARE(result.error().message, QStringLiteral("Server returned an invalid response."));
    }

    void makeUrl_data()
    {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("query"); // name, value, name, value…
        QTest::addColumn<QString>("expected");  // empty: "Invalid URL"

        QTest::newRow("plain path") << "http://h.test" << "/api/boards" << QStringList() << "http://h.test/api/boards";
        QTest::newRow("trailing slash of the base")
            << "http://h.test/" << "/api/boards" << QStringList() << "http://h.test/api/boards";
        QTest::newRow("query inside the path")
            << "http://h.test" << "/api/notifications?readOnly=true" << QStringList()
            << "http://h.test/api/notifications?readOnly=true";
        QTest::newRow("items replace the path's query")
            << "http://h.test" << "/p?old=1" << QStringList { "code", "new" } << "http://h.test/p?code=new";
        QTest::newRow("items are percent-encoded")
            << "http://h.test" << "/api/boards/invitations" << QStringList { "code", "a b+c&d=é/?#" }
            << "http://h.test/api/boards/invitations?code=a%20b%2Bc%26d%3D%C3%A9%2F%3F%23";
        QTest::newRow("bad escape in the path") << "http://h.test" << "/api/bad%zz" << QStringList() << QString();
        QTest::newRow("space in the host") << "http://h test" << "/api" << QStringList() << QString();
        QTest::newRow("no scheme") << "" << "/api" << QStringList() << QString();
    }

    void makeUrl()
    {
        QFETCH(QString, baseUrl);
        QFETCH(QString, path);
        QFETCH(QStringList, query);
        QFETCH(QString, expected);

        QList<QueryItem> items;
        for (qsizetype i = 0; i + 1 < query.size(); i += 2)
            items.append({ query[i], query[i + 1] });
        NetworkService service(baseUrl, std::make_shared<MemoryTokenStore>());
        const ApiResult<QUrl> url = service.makeUrl(path, items);
        if (expected.isEmpty()) {
            QVERIFY(!url);
            QCOMPARE(url.error().status, -1);
            QCOMPARE(url.error().code, QStringLiteral("Invalid URL"));
            QCOMPARE(url.error().message, QStringLiteral("Invalid URL provided."));
            QCOMPARE(url.error().path, path);
        } else {
            QVERIFY(url);
            QCOMPARE(url->toString(QUrl::FullyEncoded), expected);
        }
    }

    void logout_data()
    {
        QTest::addColumn<QString>("refreshToken");
        QTest::addColumn<QList<ScriptedReply>>("replies");
        QTest::addColumn<QString>("logLine");

        QTest::newRow("no refresh token") << QString() << QList<ScriptedReply>()
                                          << "🌐 [Net] ⚪︎ Skip /auth/logout – no refresh token available";
        QTest::newRow("service accepts") << "r1" << QList { ScriptedReply::json(200, "whatever") } << QString();
        QTest::newRow("service fails") << "r1" << QList { ScriptedReply::text(500, "Down") }
                                       << "🌐 [Net] ✖︎ logout failed: Down";
        QTest::newRow("service unreachable") << "r1" << QList { ScriptedReply::hangUp() } << QString();
    }

    void logout()
    {
        QFETCH(QString, refreshToken);
        QFETCH(QList<ScriptedReply>, replies);
        QFETCH(QString, logLine);

        Harness harness(QStringLiteral("a1"), refreshToken);
        harness.server.script(replies);
        LogCapture log;
        QCoro::waitFor(harness.service.logout());

        QCOMPARE(harness.server.requests().size(), replies.size());
        if (!replies.isEmpty()) {
            const RecordedRequest& sent = harness.server.requests().constFirst();
            QCOMPARE(sent.method, QByteArray("POST"));
            QCOMPARE(sent.path(), QStringLiteral("/auth/logout"));
            QCOMPARE(sent.header("Content-Type"), QByteArray("application/json"));
            QCOMPARE(sent.header("Authorization"), QByteArray("Bearer a1"));
            QCOMPARE(QJsonDocument::fromJson(sent.body), QJsonDocument::fromJson(R"({"refreshToken":"r1"})"));
        }
        if (!logLine.isEmpty())
            QVERIFY2(log.contains(logLine), qPrintable(log.lines().join(QLatin1Char('\n'))));
        QVERIFY(harness.service.accessToken().isEmpty());
        QVERIFY(harness.service.refreshToken().isEmpty());
        QCOMPARE(QCoro::waitFor(harness.store->read(NetworkService::accessTokenAccount)), TokenReadResult());
        QCOMPARE(QCoro::waitFor(harness.store->read(NetworkService::refreshTokenAccount)), TokenReadResult());
    }

    void setTokensReachesTheStore()
    {
        Harness harness;
        QCoro::waitFor(harness.service.setTokens({ QStringLiteral("a9"), QStringLiteral("r9") }));
        QCOMPARE(harness.service.accessToken(), QStringLiteral("a9"));
        QCOMPARE(storedToken(*harness.store, NetworkService::accessTokenAccount), QStringLiteral("a9"));
        QCOMPARE(storedToken(*harness.store, NetworkService::refreshTokenAccount), QStringLiteral("r9"));
    }

    void explicitRefresh()
    {
        Harness harness(QStringLiteral("a1"), QStringLiteral("r1"));
        harness.server.script({ ScriptedReply::hangUp() });
        const ApiResult<void> refreshed = QCoro::waitFor(harness.service.refreshTokens());
        QVERIFY(!refreshed);
        QCOMPARE(refreshed.error().code, QStringLiteral("Token Refresh Failed"));
        QCOMPARE(refreshed.error().path, QStringLiteral("/auth/refresh"));
        QCOMPARE(harness.service.refreshToken(), QStringLiteral("r1"));
    }
};

QTEST_GUILESS_MAIN(NetworkServiceTest)
#include "NetworkServiceTest.moc"
