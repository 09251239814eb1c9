// The devserver as a process: snake_case answers, fault injection, persistence across a restart,
// the text improvement, the error body, and the changelog and update feed.
#include "Api.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Api;

class ServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void snakeCaseModeRewritesContractKeys_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("sync") << "sync"
                              << QStringList {"board_name", "latest_checkpoint", "new_items", "deleted_items",
                                     "modified_items", "conflicted_items"};
        QTest::newRow("remote item") << "item"
                                     << QStringList {"board_id", "created_at", "created_by", "updated_at"};
        QTest::newRow("feed") << "feed" << QStringList {"items", "unread_count_7d"};
        QTest::newRow("board details") << "details" << QStringList {"board", "board_owner", "users"};
        QTest::newRow("board member")
            << "member" << QStringList {"user_id", "granted_at", "board_id", "display_name"};
        QTest::newRow("error body") << "error"
                                    << QStringList {"timestamp", "status", "code", "message", "path"};
    }

    void snakeCaseModeRewritesContractKeys()
    {
        QFETCH(QString, endpoint);
        QFETCH(QStringList, keys);
        DevServer::Options options;
        options.snakeCase = true;
        DevServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        // The admin endpoints are not part of the contract and keep their own keys.
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        QVERIFY2(ann.isValid(), qPrintable(server.errorString()));
        const QString board = createBoard(server, ann.accessToken, QStringLiteral("Plans"));
        QVERIFY(!board.isEmpty());
        addItem(server, ann.accessToken, board, newId(), QStringLiteral("one"));

        QJsonObject answer;
        if (endpoint == QLatin1String("sync") || endpoint == QLatin1String("item")) {
            answer = sync(server, ann.accessToken, board, 0);
            if (endpoint == QLatin1String("item"))
                answer = answer.value(QStringLiteral("new_items")).toArray().first().toObject();
        } else if (endpoint == QLatin1String("feed")) {
            answer = server
                         .request("GET", QStringLiteral("/api/notifications?readOnly=true"), std::nullopt,
                             ann.accessToken)
                         .object();
        } else if (endpoint == QLatin1String("details") || endpoint == QLatin1String("member")) {
            answer
                = server.request("GET", QStringLiteral("/api/boards/") + board, std::nullopt, ann.accessToken)
                      .object();
            if (endpoint == QLatin1String("member"))
                answer = answer.value(QStringLiteral("users")).toArray().first().toObject();
        } else {
            answer
                = server
                      .request("GET", QStringLiteral("/api/boards/") + newId(), std::nullopt, ann.accessToken)
                      .object();
        }
        for (const QString& key : keys)
            QVERIFY2(answer.contains(key),
                qPrintable(key + QStringLiteral(" missing in ")
                    + QString::fromUtf8(QJsonDocument(answer).toJson())));
        for (const QString& key : answer.keys())
            QVERIFY2(key == key.toLower(), qPrintable(key));
    }

    void faults_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body"); // empty: not checked
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("json");

        QTest::newRow("status with a scripted body")
            << QJsonObject {{"kind", "status"}, {"status", 503}, {"body", "Down for maintenance"}} << 503
            << QByteArray("Down for maintenance") << true << false;
        QTest::newRow("status with the service's error body")
            << QJsonObject {{"kind", "status"}, {"status", 500}} << 500 << QByteArray() << true << true;
        QTest::newRow("connection closed")
            << QJsonObject {{"kind", "close"}} << 200 << QByteArray() << false << false;
        QTest::newRow("malformed body")
            << QJsonObject {{"kind", "malformed"}} << 200 << QByteArray() << true << false;
        QTest::newRow("delayed answer")
            << QJsonObject {{"kind", "delay"}, {"delayMs", 300}} << 200 << QByteArray() << true << true;
    }

    void faults()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, answered);
        QFETCH(bool, json);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        fault.insert(QStringLiteral("count"), 2);
        fault.insert(QStringLiteral("pathPrefix"), QStringLiteral("/api/users"));
        QVERIFY2(server.injectFault(fault), qPrintable(server.errorString()));

        // Other paths and the admin endpoints are untouched.
        QCOMPARE(
            server.request("GET", QStringLiteral("/api/boards"), std::nullopt, ann.accessToken).status, 200);
        QVERIFY(server.createAccount(QStringLiteral("bob@example.com"), QString()).isValid());

        const int attempts = fault.value(QStringLiteral("count")).toInt();
        for (int attempt = 0; attempt < attempts; ++attempt) {
            QElapsedTimer timer;
            timer.start();
            const DevServer::Reply reply
                = server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, ann.accessToken);
            QVERIFY2(reply.status == status, qPrintable(server.output().join(QLatin1Char('\n'))));
            QCOMPARE(reply.error == QNetworkReply::RemoteHostClosedError, !answered);
            if (!body.isEmpty())
                QCOMPARE(reply.body, body);
            QCOMPARE(!QJsonDocument::fromJson(reply.body).isNull(), json);
            if (fault.value(QStringLiteral("kind")) == QLatin1String("delay"))
                QVERIFY(timer.elapsed() >= 300);
        }
        const DevServer::Reply recovered
            = server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, ann.accessToken);
        QCOMPARE(recovered.status, 200);
        QCOMPARE(recovered.object()
                     .value(QStringLiteral("user"))
                     .toObject()
                     .value(QStringLiteral("email"))
                     .toString(),
            QStringLiteral("ann@example.com"));
    }

    // One request written on a socket of its own, so nothing re-sends it: the service sees it once.
    // While it waits, another request may look at the service's data.
    void faultsThatApplyTheRequestFirst_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<int>("boardsWhileWaiting"); // -1: the answer comes before anyone looks
        QTest::addColumn<int>("status"); // 0: no answer at all
        QTest::addColumn<int>("boardsAfter");

        QTest::newRow("answer dropped") << QJsonObject {{"kind", "dropAnswer"}} << -1 << 0 << 1;
        QTest::newRow("answer delayed")
            << QJsonObject {{"kind", "delayAnswer"}, {"delayMs", 1500}} << 1 << 200 << 1;
        // The faults that stand in for the processing leave the data alone.
        QTest::newRow("connection closed") << QJsonObject {{"kind", "close"}} << -1 << 200 << 0;
        QTest::newRow("status") << QJsonObject {{"kind", "status"}, {"status", 503}} << -1 << 503 << 0;
        QTest::newRow("processing delayed")
            << QJsonObject {{"kind", "delay"}, {"delayMs", 1500}} << 0 << 200 << 1;
    }

    void faultsThatApplyTheRequestFirst()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(int, boardsWhileWaiting);
        QFETCH(int, status);
        QFETCH(int, boardsAfter);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        fault.insert(QStringLiteral("pathPrefix"), QStringLiteral("/api/boards"));
        QVERIFY2(server.injectFault(fault), qPrintable(server.errorString()));
        auto boardCount = [&] {
            const DevServer::Reply listed
                = server.request("GET", QStringLiteral("/api/boards"), std::nullopt, ann.accessToken);
            return listed.status == 200 ? int(QJsonDocument::fromJson(listed.body).array().size()) : -1;
        };

        const QByteArray body = R"({"name":"Plans"})";
        QTcpSocket socket;
        socket.connectToHost(server.baseUrl().host(), quint16(server.baseUrl().port()));
        QVERIFY(socket.waitForConnected(5000));
        socket.write("POST /api/boards HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
            + ann.accessToken.toUtf8() + "\r\nContent-Type: application/json\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        if (boardsWhileWaiting >= 0) {
            QTest::qWait(300);
            QCOMPARE(socket.bytesAvailable(), 0);
            QCOMPARE(boardCount(), boardsWhileWaiting);
        }
        // The whole answer (the service keeps the connection open), or the connection's end.
        QByteArray answer;
        QVERIFY(QTest::qWaitFor(
            [&] {
                answer += socket.readAll();
                const qsizetype headerEnd = answer.indexOf("\r\n\r\n");
                if (headerEnd >= 0) {
                    const qsizetype lengthAt = answer.toLower().indexOf("content-length:");
                    const qsizetype length = lengthAt < 0
                        ? 0
                        : answer.mid(lengthAt + 15, answer.indexOf("\r\n", lengthAt) - lengthAt - 15)
                              .trimmed()
                              .toLongLong();
                    if (answer.size() >= headerEnd + 4 + length)
                        return true;
                }
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            10000));

        if (status == 0)
            QVERIFY2(answer.isEmpty(), answer.constData());
        else
            QVERIFY2(answer.startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '), answer.constData());
        QCOMPARE(boardCount(), boardsAfter);
        if (status == 200 && fault.value(QStringLiteral("kind")) != QLatin1String("close")) {
            const QJsonObject created
                = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
            QCOMPARE(created.value(QStringLiteral("name")).toString(), QStringLiteral("Plans"));
        }
    }

    void faultsAreClearedAndRefusedWhenMalformed()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QVERIFY(server.failNext(5, 500));
        QVERIFY(server.clearFaults());
        QCOMPARE(server.request("GET", QStringLiteral("/changelog.json")).status, 200);
        QVERIFY(!server.injectFault({{QStringLiteral("kind"), QStringLiteral("explode")}}));
        QVERIFY(!server.injectFault({{QStringLiteral("kind"), QStringLiteral("delay")}}));
        QVERIFY(!server.injectFault({{QStringLiteral("kind"), QStringLiteral("delayAnswer")}}));
        QVERIFY(server.failNext(1, 502));
        QVERIFY(server.reset());
        QCOMPARE(server.request("GET", QStringLiteral("/changelog.json")).status, 200);
    }

    void dataSurvivesARestart()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        DevServer::Options options;
        options.dataFile = folder.filePath(QStringLiteral("devserver.sqlite"));
        DevServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        const QString board = createBoard(server, ann.accessToken, QStringLiteral("Kept"));
        const QString item = newId();
        addItem(server, ann.accessToken, board, item, QStringLiteral("still here"));
        const QString code = invite(server, ann.accessToken, board);

        QVERIFY2(server.restart(), qPrintable(server.errorString()));
        const QJsonObject answer = sync(server, ann.accessToken, board, 0);
        QCOMPARE(answer.value(QStringLiteral("boardName")).toString(), QStringLiteral("Kept"));
        QCOMPARE(answer.value(QStringLiteral("latestCheckpoint")).toInteger(), 1);
        QCOMPARE(findRecord(answer.value(QStringLiteral("newItems")).toArray(), item)
                     .value(QStringLiteral("content"))
                     .toString(),
            QStringLiteral("still here"));
        const DevServer::Account bob = server.createAccount(QStringLiteral("bob@example.com"), QString());
        QCOMPARE(join(server, bob.accessToken, code).status, 200);

        // Reset empties the file as well.
        QVERIFY(server.reset());
        QVERIFY2(server.restart(), qPrintable(server.errorString()));
        QCOMPARE(
            server.request("GET", QStringLiteral("/api/boards"), std::nullopt, ann.accessToken).status, 401);
    }

    void unusableDataFileStopsTheStart()
    {
        QTemporaryDir folder;
        DevServer::Options options;
        options.dataFile = folder.filePath(QStringLiteral("missing/folder/devserver.sqlite"));
        DevServer server(options);
        QVERIFY(!server.isRunning());
        QVERIFY(!server.errorString().isEmpty());
    }

    void improvement_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("improved");
        QTest::newRow("blanks and sentences") << "  call   the bank .  then pay rent"
                                              << "Call the bank. Then pay rent.";
        QTest::newRow("already fine") << "Ship it!"
                                      << "Ship it!";
        QTest::newRow("list keeps its markers") << "- buy milk\n-  fix   door"
                                                << "- Buy milk\n- Fix door.";
        QTest::newRow("blank lines collapse") << "one\n\n\n\ntwo"
                                              << "One\n\nTwo.";
        QTest::newRow("mentions and links untouched") << "@bob see https://example.com/x"
                                                      << "@bob see https://example.com/x.";
        QTest::newRow("question ends the text") << "is it done? maybe"
                                                << "Is it done? Maybe.";
        QTest::newRow("nested list indentation kept") << "- a\n  - b"
                                                      << "- A\n  - B.";
    }

    void improvement()
    {
        QFETCH(QString, original);
        QFETCH(QString, improved);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        const QString board = createBoard(server, ann.accessToken, QStringLiteral("Plans"));
        const DevServer::Reply reply
            = server.request("POST", QStringLiteral("/api/boards/%1/items/%2/improve").arg(board, newId()),
                bytes({{QStringLiteral("content"), original}}), ann.accessToken);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.object().value(QStringLiteral("original")).toString(), original);
        QCOMPARE(reply.object().value(QStringLiteral("improved")).toString(), improved);
    }

    void errorBodyFollowsTheContract_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::newRow("unknown path")
            << QByteArray("GET") << "/api/nothing" << QByteArray() << 404 << "NOT_FOUND";
        QTest::newRow("wrong method")
            << QByteArray("PUT") << "/api/boards" << QByteArray() << 405 << "METHOD_NOT_ALLOWED";
        QTest::newRow("body is not JSON")
            << QByteArray("POST") << "/api/boards" << QByteArray("{name:") << 400 << "INVALID_JSON";
        QTest::newRow("body is an array")
            << QByteArray("POST") << "/api/boards" << QByteArray("[]") << 400 << "INVALID_JSON";
        QTest::newRow("feedback without text") << QByteArray("POST") << "/api/feedback"
                                               << QByteArray(R"({"text":"  "})") << 400 << "EMPTY_FEEDBACK";
    }

    void errorBodyFollowsTheContract()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, code);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        const DevServer::Reply reply = server.request(
            method, path, body.isEmpty() ? std::nullopt : std::optional(body), ann.accessToken);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.header("Content-Type"), QByteArray("application/json"));
        const QJsonObject error = reply.object();
        QCOMPARE(error.value(QStringLiteral("status")).toInt(), status);
        QCOMPARE(error.value(QStringLiteral("code")).toString(), code);
        QCOMPARE(error.value(QStringLiteral("path")).toString(), path);
        QVERIFY(!error.value(QStringLiteral("message")).toString().trimmed().isEmpty());
        QVERIFY(QDateTime::fromString(error.value(QStringLiteral("timestamp")).toString(), Qt::ISODate)
                    .isValid());
    }

    void feedbackIsStored()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        QCOMPARE(server
                     .request("POST", QStringLiteral("/api/feedback"),
                         bytes({{QStringLiteral("text"), QStringLiteral("Love it")}}), ann.accessToken)
                     .status,
            204);
        const QJsonArray stored = server.request("GET", QStringLiteral("/__admin/feedback"))
                                      .object()
                                      .value(QStringLiteral("items"))
                                      .toArray();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(
            stored.first().toObject().value(QStringLiteral("text")).toString(), QStringLiteral("Love it"));
        QCOMPARE(stored.first().toObject().value(QStringLiteral("userId")).toString(), ann.userId);
    }

    void changelogAndUpdateFeed()
    {
        DevServer::Options options;
        options.latestVersion = QStringLiteral("0.2.0");
        DevServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const QJsonObject changelog = server.request("GET", QStringLiteral("/changelog.json")).object();
        QCOMPARE(changelog.keys(), (QStringList {"0.1.0", "0.2.0"}));
        for (const QJsonValue& changes : changelog) {
            QVERIFY(changes.isArray() && !changes.toArray().isEmpty());
            for (const QJsonValue& change : changes.toArray())
                QVERIFY(change.isString());
        }

        const QJsonArray items = server.request("GET", QStringLiteral("/appcast.json"))
                                     .object()
                                     .value(QStringLiteral("items"))
                                     .toArray();
        QCOMPARE(items.size(), 1);
        const QJsonObject latest = items.first().toObject();
        QCOMPARE(latest.value(QStringLiteral("version")).toString(), QStringLiteral("0.2.0"));
        QCOMPARE(latest.value(QStringLiteral("build")).toString(), QStringLiteral("1"));
        QVERIFY(!latest.value(QStringLiteral("title")).toString().isEmpty());
        QVERIFY(!latest.value(QStringLiteral("releaseNotes")).toString().isEmpty());
        QVERIFY(QDateTime::fromString(latest.value(QStringLiteral("publishedAt")).toString(), Qt::ISODate)
                    .isValid());
        const QUrl download(latest.value(QStringLiteral("downloadUrl")).toString());
        QCOMPARE(download.port(), int(server.port()));
        QCOMPARE(server.request("GET", download.path()).status, 200);
    }
};

QTEST_GUILESS_MAIN(ServiceTest)
#include "ServiceTest.moc"
