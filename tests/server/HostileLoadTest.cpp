// plenko-server under a hostile load on 127.0.0.1, bounded to a few seconds: 200 slow or idle
// connections (silent, headers sent a byte at a time, idle after one answer), oversized uploads and
// a large sync run while 50 normal clients write and change items. Every normal request must be answered,
// every acknowledged item must be stored, the uploads must be cut off long before their end, and the server's
// memory must stay bounded. How fast it answers is measured by bench_server, not here.
#include "support/ServerAccounts.h"
#include "support/ServerTestCase.h"
#include "support/WritingClient.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

using namespace ServerAccounts;

constexpr int slowConnections = 200;
constexpr int uploads = 10;
constexpr qint64 declaredUpload = 512LL * 1024 * 1024;
constexpr int normalClients = 50;
constexpr int writesEach = 10;
constexpr int largeSyncItems = 1000;
// The server's resident memory through it all. AddressSanitizer's shadow and quarantine add a few
// hundred megabytes of their own; the ten uploads buffered whole would still be far above either.
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 peakMemoryKiB = 1024 * 1024;
#else
constexpr qint64 peakMemoryKiB = 300 * 1024;
#endif

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

QJsonObject item(const QString& id, const QString& boardId, const QString& userId, int order)
{
    return {{QStringLiteral("id"), id}, {QStringLiteral("content"), QStringLiteral("item %1").arg(order)},
        {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("boardId"), boardId},
        {QStringLiteral("createdBy"), userId}, {QStringLiteral("order"), order},
        {QStringLiteral("createdAt"), QStringLiteral("2026-01-01T00:00:00Z")},
        {QStringLiteral("updatedAt"), QStringLiteral("2026-01-01T00:00:00Z")},
        {QStringLiteral("revision"), 0}};
}

// One upload far over the body limit, fed as fast as the connection takes it.
struct Upload
{
    std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();
    qint64 offered = 0;
    QByteArray received;
};

} // namespace

class HostileLoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void normalClientsAreServedThroughAHostileLoad()
    {
        ServerProcess server(ServerProcess::config(QStringLiteral("data.sqlite")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QString token
            = signedUp(server, QStringLiteral("ann@example.com"), QStringLiteral("correct horse"));
        QVERIFY(!token.isEmpty());
        const QString owner = userId(server, token);
        const ServerProcess::Reply board = server.post(QStringLiteral("/api/boards"),
            R"({"name": "Under load"})", QByteArrayLiteral("application/json"), token);
        QCOMPARE(board.status, 200);
        const QString boardId = board.json().value(QStringLiteral("id")).toString();

        qint64 peakKiB = residentKiB(server.processId());
        QTimer memory;
        connect(&memory, &QTimer::timeout, this,
            [&] { peakKiB = std::max(peakKiB, residentKiB(server.processId())); });
        memory.start(100);

        // Slow and idle connections: a third silent, a third sending headers a byte at a time, a
        // third kept alive after one answer.
        std::vector<std::unique_ptr<QTcpSocket>> slow;
        for (int i = 0; i < slowConnections; ++i) {
            slow.push_back(std::make_unique<QTcpSocket>());
            slow.back()->connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(slow.back()->waitForConnected(5000));
            if (i % 3 == 1)
                slow.back()->write("POST /auth/login HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ");
            else if (i % 3 == 2)
                slow.back()->write("GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        }
        QTimer drip;
        connect(&drip, &QTimer::timeout, this, [&slow] {
            for (std::size_t i = 1; i < slow.size(); i += 3)
                slow[i]->write("x");
        });
        drip.start(250);

        std::vector<Upload> bigUploads(uploads);
        const QByteArray chunk(256 * 1024, 'x');
        for (Upload& upload : bigUploads) {
            QTcpSocket* socket = upload.socket.get();
            connect(socket, &QTcpSocket::readyRead, this,
                [&upload] { upload.received += upload.socket->readAll(); });
            connect(socket, &QTcpSocket::bytesWritten, this, [&upload, &chunk] {
                if (upload.socket->state() == QAbstractSocket::ConnectedState
                    && upload.socket->bytesToWrite() < chunk.size() && upload.offered < declaredUpload) {
                    upload.socket->write(chunk);
                    upload.offered += chunk.size();
                }
            });
            socket->connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(socket->waitForConnected(5000));
            socket->write("POST /auth/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                          "Content-Length: "
                + QByteArray::number(declaredUpload) + "\r\n\r\n");
            socket->write(chunk);
            upload.offered = chunk.size();
        }

        // A large sync on the same board.
        QJsonArray pending;
        QSet<QString> expected;
        for (int i = 0; i < largeSyncItems; ++i) {
            const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            pending.append(item(id, boardId, owner, 1000 + i));
            expected.insert(id);
        }
        QNetworkAccessManager syncNetwork;
        QNetworkRequest syncRequest(
            QUrl(QStringLiteral("http://127.0.0.1:%1/api/boards/%2/sync").arg(server.port()).arg(boardId)));
        syncRequest.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        syncRequest.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        syncRequest.setTransferTimeout(120000);
        QNetworkReply* largeSync = syncNetwork.post(syncRequest,
            QJsonDocument(QJsonObject {{QStringLiteral("checkpoint"), 0}, {QStringLiteral("items"), pending}})
                .toJson(QJsonDocument::Compact));

        std::vector<std::unique_ptr<WritingClient>> clients;
        for (int c = 0; c < normalClients; ++c) {
            clients.push_back(
                std::make_unique<WritingClient>(c, server.port(), token, owner, boardId, false));
            clients.back()->write(writesEach);
        }
        QVERIFY(QTest::qWaitFor(
            [&] {
                return largeSync->isFinished()
                    && std::ranges::all_of(clients, [](const auto& client) { return client->done(); });
            },
            180000));
        QCOMPARE(largeSync->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        largeSync->deleteLater();
        QList<qint64> latencies;
        for (const auto& client : clients) {
            QVERIFY2(client->failure.isEmpty(), qPrintable(client->failure));
            QCOMPARE(client->acks.size(), writesEach);
            for (const WritingClient::Ack& ack : std::as_const(client->acks)) {
                expected.insert(ack.itemId);
                latencies.append(ack.latencyMs);
            }
        }
        // Every other write creates an item; the others change it.
        QCOMPARE(expected.size(), largeSyncItems + normalClients * writesEach / 2);

        // Each upload was refused and cut off long before the end of what it declared.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return std::ranges::all_of(bigUploads, [](const Upload& upload) {
                    return upload.socket->state() == QAbstractSocket::UnconnectedState;
                });
            },
            30000));
        for (const Upload& upload : bigUploads) {
            QVERIFY2(upload.received.startsWith("HTTP/1.1 413 "), upload.received.left(200).constData());
            QVERIFY(upload.offered < declaredUpload / 4);
        }
        drip.stop();
        memory.stop();
        std::ranges::sort(latencies);
        qInfo("normal clients' writes: p50 %lld ms, p99 %lld ms; server's peak resident memory %lld MiB",
            latencies.at(latencies.size() / 2), latencies.at(latencies.size() * 99 / 100), peakKiB / 1024);
        QVERIFY2(
            peakKiB < peakMemoryKiB, qPrintable(QStringLiteral("peak resident memory %1 KiB").arg(peakKiB)));

        // Nothing acknowledged is missing.
        const ServerProcess::Reply full = ServerTestCase::fullSync(server, boardId, token);
        QCOMPARE(full.status, 200);
        QCOMPARE(ServerTestCase::newItemIds(full), expected);
    }
};

QTEST_GUILESS_MAIN(HostileLoadTest)
#include "HostileLoadTest.moc"
