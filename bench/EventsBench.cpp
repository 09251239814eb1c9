// The change channel on 127.0.0.1: how much resident memory 2,000 open event streams add to one
// plenko-server process, how long one change takes to reach all of them (fan-out), and how long a
// teammate's change takes to reach another client's stream with one process on SQLite and with two
// processes on one PostgreSQL database (the writer on the other). Latencies run from the moment the
// writing request is sent (so they include the write itself) and from its answer, to the moment the
// frame is read; the bench's own event loop reads every socket. See bench/README.md.
#include "BenchServerConfig.h"
#include "support/PostgresCluster.h"
#include "support/ServerAccounts.h"
#include "support/ServerProcess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QUuid>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

const QByteArray jsonType = QByteArrayLiteral("application/json");

QString config(const QString& database, int streams)
{
    return benchServerConfig(database,
        QStringLiteral("[server]\nmaxConnections=512\n[events]\nmaxStreams=%1\nmaxStreamsPerAccount=1000\n"
                       "maxStreamsPerAddress=%1\n")
            .arg(streams + 100));
}

double residentMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

struct Person
{
    QString token;
    QString id;
};

Person signUp(ServerProcess& server, const QString& email)
{
    const QString token = ServerAccounts::signedUp(server, email, QStringLiteral("bench password 1"));
    return {token, ServerAccounts::userId(server, token)};
}

QString boardOf(ServerProcess& server, const Person& owner, const QList<Person>& members)
{
    const QString boardId = server
                                .sendJson("POST", QStringLiteral("/api/boards"),
                                    {{QStringLiteral("name"), QStringLiteral("Events")}}, owner.token)
                                .json()
                                .value(QStringLiteral("id"))
                                .toString();
    for (const Person& member : members)
        ServerAccounts::joinBoard(server, boardId, owner.token, member.token);
    return boardId;
}

// Runs the event loop (every socket is served meanwhile) until done() or the timeout; QTest's waits
// sleep 10 ms between looks, too coarse for these figures.
bool spin(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer look;
    look.setInterval(1);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    look.start();
    loop.exec();
    return done();
}

struct Write
{
    qint64 sentNs = 0;
    qint64 answeredNs = 0;
    qint64 checkpoint = 0; // 0: refused or unanswered
};

// Adds an item through the item route, the streams being read all the while.
Write addItem(QNetworkAccessManager& network, quint16 port, const QString& boardId, const Person& by,
    const QElapsedTimer& clock)
{
    const QJsonObject item {{QStringLiteral("content"), QStringLiteral("Bench item")},
        {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("order"), 1},
        {QStringLiteral("createdAt"), QStringLiteral("2026-01-01T00:00:00Z")},
        {QStringLiteral("boardId"), boardId}};
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/api/boards/%2/items/%3")
                                     .arg(port)
                                     .arg(boardId, QUuid::createUuid().toString(QUuid::WithoutBraces))));
    request.setHeader(QNetworkRequest::ContentTypeHeader, jsonType);
    request.setRawHeader("Authorization", "Bearer " + by.token.toUtf8());
    Write write;
    write.sentNs = clock.nsecsElapsed();
    QNetworkReply* reply = network.post(request, compact(item));
    QObject::connect(reply, &QNetworkReply::finished, reply, [&write, &clock, reply] {
        write.answeredNs = clock.nsecsElapsed();
        write.checkpoint = QJsonDocument::fromJson(reply->readAll())
                               .object()
                               .value(QStringLiteral("revision"))
                               .toInteger();
    });
    spin([&] { return write.answeredNs != 0; }, 10000);
    reply->deleteLater();
    return write;
}

// Many streams read through the event loop: each frame's arrival time, by the checkpoint it names.
class StreamFarm
{
public:
    explicit StreamFarm(QElapsedTimer& clock)
        : m_clock(clock)
    {
    }

    void open(quint16 port, const QString& token)
    {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = socket.get();
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(raw, &QTcpSocket::readyRead, raw, [this, raw, buffer] {
            *buffer += raw->readAll();
            for (qsizetype end = buffer->indexOf("\n\n"); end >= 0; end = buffer->indexOf("\n\n")) {
                const QByteArray frame = buffer->left(end);
                buffer->remove(0, end + 2);
                if (frame.contains("event: hello"))
                    ++m_hellos;
                const qsizetype at = frame.indexOf("\"checkpoint\":");
                if (frame.contains("event: board-changed") && at >= 0) {
                    const qint64 checkpoint = frame.mid(at + 13).split(',').first().toLongLong();
                    m_arrivals.push_back({checkpoint, m_clock.nsecsElapsed()});
                }
            }
        });
        raw->connectToHost(QHostAddress::LocalHost, port);
        const QByteArray request = "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer "
            + token.toUtf8() + "\r\n\r\n";
        QObject::connect(raw, &QTcpSocket::connected, raw, [raw, request] { raw->write(request); });
        m_sockets.push_back(std::move(socket));
    }

    int hellos() const { return m_hellos; }
    int size() const { return int(m_sockets.size()); }
    // Arrival times (ns on the bench's clock) of frames naming this checkpoint.
    std::vector<qint64> arrivalsOf(qint64 checkpoint) const
    {
        std::vector<qint64> times;
        for (const auto& [seen, at] : m_arrivals) {
            if (seen == checkpoint)
                times.push_back(at);
        }
        return times;
    }

private:
    QElapsedTimer& m_clock;
    std::vector<std::unique_ptr<QTcpSocket>> m_sockets;
    std::vector<std::pair<qint64, qint64>> m_arrivals;
    int m_hellos = 0;
};

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return -1;
    std::ranges::sort(values);
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

QString ms(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" ms");
}

bool fanOut(int streamCount, int rounds, int accounts)
{
    out() << "\n## " << streamCount << " streams on one process (SQLite)\n\n";
    ServerProcess server(config(QStringLiteral("data.sqlite"), streamCount));
    if (!server.start()) {
        out() << "plenko-server did not start: " << server.errorString() << '\n';
        return false;
    }
    QList<Person> people;
    for (int a = 0; a < accounts; ++a)
        people.append(signUp(server, QStringLiteral("fan%1@example.com").arg(a)));
    if (std::ranges::any_of(people, [](const Person& p) { return p.token.isEmpty(); })) {
        out() << "sign-up failed\n";
        return false;
    }
    const QString boardId = boardOf(server, people.first(), people.mid(1));
    QElapsedTimer clock;
    clock.start();
    QNetworkAccessManager network;
    // Warm: one write before measuring, so the first round does not pay for caches.
    addItem(network, server.port(), boardId, people.first(), clock);
    QTest::qWait(500);
    const double before = residentMb(server.processId());

    StreamFarm farm(clock);
    const qint64 openedAt = clock.nsecsElapsed();
    // In batches of 100, as clients do not all connect in the same millisecond.
    for (int s = 0; s < streamCount; ++s) {
        farm.open(server.port(), people.at(s % accounts).token);
        if ((s + 1) % 100 != 0 && s + 1 != streamCount)
            continue;
        if (!spin([&] { return farm.hellos() == s + 1; }, 20000)) {
            out() << "only " << farm.hellos() << " of " << s + 1 << " streams opened\n";
            return false;
        }
    }
    const double openedIn = double(clock.nsecsElapsed() - openedAt) / 1e9;
    QTest::qWait(1000);
    const double after = residentMb(server.processId());
    out() << streamCount << " streams (" << accounts << " accounts, " << streamCount / accounts
          << " streams each, all members of one board) opened in " << QString::number(openedIn, 'f', 1)
          << " s. Server resident memory " << QString::number(before, 'f', 1) << " MB before, "
          << QString::number(after, 'f', 1) << " MB with the streams: **+"
          << QString::number(after - before, 'f', 1) << " MB** ("
          << QString::number((after - before) * 1024 / streamCount, 'f', 1) << " KB a stream).\n";

    std::vector<double> all;
    std::vector<double> afterAnswer;
    std::vector<double> lastOfRound;
    for (int r = 0; r < rounds; ++r) {
        const Write write = addItem(network, server.port(), boardId, people.at(r % accounts), clock);
        if (write.checkpoint == 0
            || !spin([&] { return int(farm.arrivalsOf(write.checkpoint).size()) == streamCount; }, 20000)) {
            out() << "round " << r << ": " << farm.arrivalsOf(write.checkpoint).size() << " of "
                  << streamCount << " streams got the event\n";
            return false;
        }
        double last = 0;
        for (const qint64 at : farm.arrivalsOf(write.checkpoint)) {
            all.push_back(double(at - write.sentNs) / 1e6);
            afterAnswer.push_back(std::max(0.0, double(at - write.answeredNs) / 1e6));
            last = std::max(last, double(at - write.sentNs) / 1e6);
        }
        lastOfRound.push_back(last);
        QTest::qWait(200);
    }
    out() << "Fan-out, " << rounds << " changes each to all " << streamCount
          << " streams (from the write's send to each frame read): p50 " << ms(percentile(all, 0.5))
          << ", **p99 " << ms(percentile(all, 0.99)) << "**, the last stream of a change p50 "
          << ms(percentile(lastOfRound, 0.5)) << ", max " << ms(percentile(lastOfRound, 1.0))
          << "; after the write's answer p50 " << ms(percentile(afterAnswer, 0.5)) << ", p99 "
          << ms(percentile(afterAnswer, 0.99)) << ".\n";
    out() << "Server resident memory at the end: " << QString::number(residentMb(server.processId()), 'f', 1)
          << " MB.\n";
    return true;
}

bool delivery(const QString& title, ServerProcess& writerServer, ServerProcess& readerServer, int samples)
{
    out() << "\n## " << title << "\n\n";
    const Person ann = signUp(readerServer, QStringLiteral("ann@example.com"));
    const Person bob = signUp(writerServer, QStringLiteral("bob@example.com"));
    if (ann.token.isEmpty() || bob.token.isEmpty()) {
        out() << "sign-up failed\n";
        return false;
    }
    const QString boardId = boardOf(readerServer, ann, {bob});
    QElapsedTimer clock;
    clock.start();
    QNetworkAccessManager network;
    StreamFarm farm(clock);
    farm.open(readerServer.port(), ann.token);
    if (!spin([&] { return farm.hellos() == 1; }, 10000))
        return false;
    std::vector<double> latencies;
    std::vector<double> afterAnswer;
    std::vector<double> writes;
    for (int i = 0; i < samples; ++i) {
        const Write write = addItem(network, writerServer.port(), boardId, bob, clock);
        writes.push_back(double(write.answeredNs - write.sentNs) / 1e6);
        if (write.checkpoint == 0
            || !spin([&] { return !farm.arrivalsOf(write.checkpoint).empty(); }, 5000)) {
            out() << "change " << i << " never arrived\n";
            return false;
        }
        const qint64 at = farm.arrivalsOf(write.checkpoint).front();
        latencies.push_back(double(at - write.sentNs) / 1e6);
        afterAnswer.push_back(std::max(0.0, double(at - write.answeredNs) / 1e6));
        QTest::qWait(20);
    }
    out() << samples << " changes by Bob, each in Ann's stream: p50 " << ms(percentile(latencies, 0.5))
          << ", **max " << ms(percentile(latencies, 1.0))
          << "** from the write's send (the write itself answered in p50 " << ms(percentile(writes, 0.5))
          << ").\n";
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("plenko-server's change channel on 127.0.0.1"));
    parser.addHelpOption();
    const QCommandLineOption streamsOption(QStringLiteral("streams"), QStringLiteral("Open streams (2000)."),
        QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
        QStringLiteral("Changes fanned out to every stream (20)."), QStringLiteral("n"),
        QStringLiteral("20"));
    const QCommandLineOption samplesOption(QStringLiteral("samples"),
        QStringLiteral("Changes timed between two clients (50)."), QStringLiteral("n"), QStringLiteral("50"));
    parser.addOptions({streamsOption, roundsOption, samplesOption});
    parser.process(app);
    qputenv("PLENKO_SERVER", QByteArray(PLENKO_SERVER_BINARY));
    const int streams = parser.value(streamsOption).toInt();
    const int samples = parser.value(samplesOption).toInt();
    bool passed = fanOut(streams, parser.value(roundsOption).toInt(), 20);

    {
        ServerProcess server(config(QStringLiteral("data.sqlite"), 10));
        passed = server.start()
            && delivery(QStringLiteral("A teammate's change, one process, SQLite"), server, server, samples)
            && passed;
    }
    PostgresCluster cluster;
    cluster.setDurable(true);
    if (!cluster.start()) {
        out() << "PostgreSQL: " << cluster.errorString() << '\n';
        return 1;
    }
    const QString database = cluster.createDatabase();
    ServerProcess first(config(database, 10));
    ServerProcess second(config(database, 10));
    passed = first.start() && second.start()
        && delivery(
            QStringLiteral("A teammate's change, two processes on one PostgreSQL (writer on the other)"),
            second, first, samples)
        && passed;
    out().flush();
    return passed ? 0 : 1;
}
