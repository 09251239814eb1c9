// plenko-server under load on 127.0.0.1: 200 simulated clients sync, edit and poll at once against one
// server process on SQLite, one on PostgreSQL, and two on one PostgreSQL database. Prints requests per
// second, p50 and p99 latency by kind of request, the statuses answered and the processor time each
// process used, then checks every board (see ServerLoadCheck.h) and exits 1 if one is inconsistent.
// With --streams N, the first server process holds N event streams meanwhile, read as their frames
// arrive as a signed-in application's channel is: of accounts that are members of no board of the load
// (idle but for heartbeats), or with --streams-of-load-accounts of the load's own accounts (each write
// is then a frame on the streams of its board's two members, N / 10 streams).
// See bench/README.md for the command and the figures.
#include "BenchClock.h"
#include "BenchProcess.h"
#include "BenchServerConfig.h"
#include "ServerLoadCheck.h"
#include "ServerLoadClient.h"
#include "ServerLoadStats.h"
#include "support/EventStreamClient.h"
#include "support/PostgresCluster.h"
#include "support/ServerAccounts.h"
#include "support/ServerProcess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTextStream>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Holds the event streams on a thread of its own: on the load's thread the event loop would poll
// their thousands of sockets on every turn, and the bench would measure its own loop instead of the
// server.
class StreamHolder : public QThread
{
public:
    StreamHolder(quint16 port, QStringList tokens)
        : m_port(port)
        , m_tokens(std::move(tokens))
    {
    }
    ~StreamHolder() override { close(); }
    // Opens the streams; the caller's event loop keeps running meanwhile (the servers' log pipes).
    QString open()
    {
        start();
        while (!m_ready.tryAcquire(1, 10))
            QCoreApplication::processEvents();
        return m_failure;
    }
    // Ends the thread; how many streams were still open.
    int close()
    {
        quit();
        wait();
        return m_stillOpen;
    }

protected:
    void run() override
    {
        std::vector<std::unique_ptr<EventStreamClient>> streams;
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            streams.push_back(std::make_unique<EventStreamClient>());
            if (!streams.back()->open(m_port, m_tokens.at(i)) || streams.back()->status() != 200) {
                m_failure = QStringLiteral("event stream %1 was not opened (%2)").arg(i).arg(streams.back()->status());
                m_ready.release();
                return;
            }
        }
        m_ready.release();
        exec();
        m_stillOpen = int(std::ranges::count_if(streams, [](const auto& stream) { return !stream->isClosed(); }));
    }

private:
    const quint16 m_port;
    const QStringList m_tokens;
    QSemaphore m_ready;
    QString m_failure;
    int m_stillOpen = 0;
};

struct Options
{
    int clients = 200;
    int accounts = 20;
    int requestsEach = 30;
    int seconds = 120;
    // Worker threads per server process; 0 leaves the server's default.
    int workers = 0;
    // Event streams held open on the first server process during the load, and whose they are.
    int streams = 0;
    bool streamsOfLoadAccounts = false;
};

struct Setup
{
    QString name;
    bool postgresql = false;
    int servers = 1;
};

struct Account
{
    QString token;
    QString userId;
};

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QJsonObject json(const ServerProcess::Reply& reply)
{
    return QJsonDocument::fromJson(reply.body).object();
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString config(const QString& database, int workers, int streams)
{
    // Streams held open come from 127.0.0.1 like the load.
    const QString events = streams > 0
        ? QStringLiteral("[events]\nmaxStreams=%1\nmaxStreamsPerAccount=1000\nmaxStreamsPerAddress=%1\n")
              .arg(streams + 100)
        : QString();
    return benchServerConfig(
        database, (workers > 0 ? QStringLiteral("[server]\nworkers=%1\n").arg(workers) : QString()) + events);
}

// Signs an account up through the sign-in page as a person would (one Argon2id hash each).
std::optional<Account> signUp(ServerProcess& server, int number)
{
    using namespace ServerAccounts;
    if (!startSignIn(server))
        return std::nullopt;
    const QString token = accessToken(server,
        callbackToken(ServerAccounts::signUp(
            server, QStringLiteral("load%1@example.com").arg(number), QStringLiteral("load test password"))));
    const QString userId = json(server.getWithToken(QStringLiteral("/api/users/me"), token))
                               .value(QStringLiteral("user"))
                               .toObject()
                               .value(QStringLiteral("id"))
                               .toString();
    if (token.isEmpty() || userId.isEmpty())
        return std::nullopt;
    return Account {token, userId};
}

// A board of the owner's that the member joins with an invitation code; empty on failure.
QString sharedBoard(ServerProcess& server, const Account& owner, const Account& member, int number)
{
    const QString boardId
        = json(server.post(QStringLiteral("/api/boards"),
                   compact({{QStringLiteral("name"), QStringLiteral("Load %1").arg(number)}}),
                   QByteArrayLiteral("application/json"), owner.token))
              .value(QStringLiteral("id"))
              .toString();
    const QString code = json(server.post(QStringLiteral("/api/boards/%1/invitations").arg(boardId), {},
                                  QByteArrayLiteral("application/json"), owner.token))
                             .value(QStringLiteral("code"))
                             .toString();
    const ServerProcess::Reply joined = server.send("PATCH",
        QStringLiteral("/api/boards/invitations?code=") + QString::fromLatin1(QUrl::toPercentEncoding(code)),
        {}, {}, member.token);
    return joined.status == 200 ? boardId : QString();
}

// Cluster-wide counters that say where PostgreSQL's time goes: WAL flushes to disk and committed
// transactions. An idle backend publishes its statistics up to 10 seconds after its last
// transaction, so they are read after a pause outside the timed load.
struct PostgresCounters
{
    double walSyncs = 0;
    double commits = 0;

    static PostgresCounters read(PostgresCluster& cluster)
    {
        QTest::qWait(11000);
        return {cluster.queryValue(QStringLiteral("SELECT wal_sync FROM pg_stat_wal")).toDouble(),
            cluster.queryValue(QStringLiteral("SELECT sum(xact_commit) FROM pg_stat_database")).toDouble()};
    }
};

// The machine's 1-minute load average: other work on a shared machine moves every figure.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').first())
                                          : QStringLiteral("unknown");
}

double cpuOf(const std::vector<std::unique_ptr<ServerProcess>>& servers)
{
    double total = 0;
    for (const auto& server : servers)
        total += processCpuSeconds(server->processId());
    return total;
}

// Runs one configuration from empty databases to the consistency check; false when it could not
// be set up or a board came out inconsistent.
bool runSetup(const Setup& setup, const Options& options, PostgresCluster* cluster)
{
    out() << "\n## " << setup.name << "\n\n";
    out().flush();
    const QString database = setup.postgresql ? cluster->createDatabase() : QStringLiteral("data.sqlite");
    if (database.isEmpty()) {
        out() << "cannot create a database: " << cluster->errorString() << '\n';
        return false;
    }
    std::vector<std::unique_ptr<ServerProcess>> servers;
    for (int s = 0; s < setup.servers; ++s) {
        // A second server on SQLite would share the first one's file.
        const QString path = setup.postgresql || s == 0 ? database : servers.front()->databasePath();
        servers.push_back(std::make_unique<ServerProcess>(config(path, options.workers, options.streams)));
        if (!servers.back()->start()) {
            out() << "plenko-server did not start: " << servers.back()->errorString() << '\n';
            return false;
        }
    }

    QElapsedTimer setupClock;
    setupClock.start();
    std::vector<Account> accounts;
    for (int a = 0; a < options.accounts; ++a) {
        const std::optional<Account> account = signUp(*servers.front(), a);
        if (!account) {
            out() << "sign-up " << a << " failed\n";
            return false;
        }
        accounts.push_back(*account);
    }
    // Boards of two accounts each: one owns it, the other joined it with an invitation.
    QStringList boards;
    for (int b = 0; b < options.accounts / 2; ++b) {
        boards.append(sharedBoard(*servers.front(), accounts[2 * b], accounts[2 * b + 1], b));
        if (boards.last().isEmpty()) {
            out() << "board " << b << " could not be shared\n";
            return false;
        }
    }
    out() << "Set-up: " << options.accounts << " sign-ups (Argon2id) and " << boards.size()
          << " shared boards in " << QString::number(double(setupClock.elapsed()) / 1000, 'f', 1) << " s.\n";

    std::vector<Account> streamOwners;
    if (options.streamsOfLoadAccounts)
        streamOwners = accounts;
    // At most 1000 streams an account (the highest cap the config takes), of accounts on no board.
    for (int a = 0; !options.streamsOfLoadAccounts && a * 1000 < options.streams; ++a) {
        const std::optional<Account> owner = signUp(*servers.front(), options.accounts + a);
        if (!owner) {
            out() << "the streams' sign-up failed\n";
            return false;
        }
        streamOwners.push_back(*owner);
    }
    QStringList streamTokens;
    for (int i = 0; i < options.streams; ++i)
        streamTokens.append(streamOwners[size_t(i) % streamOwners.size()].token);
    StreamHolder streams(servers.front()->port(), streamTokens);
    if (const QString failure = streams.open(); !failure.isEmpty()) {
        out() << failure << "\n";
        return false;
    }
    if (options.streams > 0)
        out() << options.streams << " event streams open on the first server process, of "
              << (options.streamsOfLoadAccounts ? "the load's accounts" : "accounts on no board of the load")
              << ".\n";

    ServerLoadStats stats;
    std::vector<std::unique_ptr<ServerLoadClient>> clients;
    for (int c = 0; c < options.clients; ++c) {
        const int account = c % options.accounts;
        clients.push_back(std::make_unique<ServerLoadClient>(c, servers[size_t(c) % servers.size()]->port(),
            accounts[size_t(account)].token, accounts[size_t(account)].userId, boards.at(account / 2),
            stats));
    }
    auto allDone = [&clients] {
        return std::ranges::all_of(clients, [](const auto& client) { return client->done(); });
    };

    const PostgresCounters countersBefore
        = setup.postgresql ? PostgresCounters::read(*cluster) : PostgresCounters {};
    const double serverCpuBefore = cpuOf(servers);
    const double databaseCpuBefore
        = setup.postgresql ? processCpuSeconds(cluster->serverProcessId(), true) : 0.0;
    const QString loadBefore = loadAverage();
    const double benchCpuBefore = BenchClock::processCpuMs();
    QElapsedTimer clock;
    clock.start();
    for (const auto& client : clients)
        client->run(options.requestsEach, clock, qint64(options.seconds) * 1000);
    // Requests time out after 60 seconds, so this ends.
    const bool finished = QTest::qWaitFor(allDone, (options.seconds + 120) * 1000);
    const double wallSeconds = double(clock.elapsed()) / 1000;
    const double benchCpu = (BenchClock::processCpuMs() - benchCpuBefore) / 1000;
    const double serverCpu = cpuOf(servers) - serverCpuBefore;
    const double databaseCpu
        = setup.postgresql ? processCpuSeconds(cluster->serverProcessId(), true) - databaseCpuBefore : 0.0;
    if (!finished) {
        out() << "the clients did not finish\n";
        return false;
    }
    if (options.streams > 0) {
        out() << "Event streams still open after the load: " << streams.close() << " of " << options.streams
              << "\n";
    }

    out() << options.clients << " clients, " << stats.requests() << " requests in "
          << QString::number(wallSeconds, 'f', 1) << " s: **"
          << QString::number(double(stats.requests()) / wallSeconds, 'f', 0) << " requests/s**\n\n"
          << stats.table() << "\nStatuses:";
    const QMap<int, int> statuses = stats.statuses();
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it)
        out() << ' ' << (it.key() == 0 ? QStringLiteral("no answer") : QString::number(it.key())) << " × "
              << it.value();
    // Per request too: what each side costs the machine, which bounds the requests per second
    // that the machine's cores can carry whatever the latency.
    const auto cpu = [&stats](double seconds) {
        return QString::number(seconds, 'f', 2) + QStringLiteral(" s (")
            + QString::number(seconds * 1000 / std::max(1, stats.requests()), 'f', 3)
            + QStringLiteral(" ms/request)");
    };
    out() << "\nProcessor time during the load: server process" << (servers.size() > 1 ? "es " : " ")
          << cpu(serverCpu);
    if (setup.postgresql)
        out() << ", PostgreSQL " << cpu(databaseCpu);
    out() << ", the bench's clients " << cpu(benchCpu) << "; " << QString::number(wallSeconds, 'f', 1)
          << " s wall on this machine's cores; load average " << loadBefore << " before, " << loadAverage()
          << " after\n";
    if (setup.postgresql) {
        const PostgresCounters after = PostgresCounters::read(*cluster);
        out() << "PostgreSQL during the load: " << after.commits - countersBefore.commits
              << " transactions committed, " << after.walSyncs - countersBefore.walSyncs
              << " WAL flushes to disk\n";
    }

    for (const auto& client : clients)
        client->catchUp();
    if (!QTest::qWaitFor(allDone, 180000)) {
        out() << "the catch-up syncs did not finish\n";
        return false;
    }
    bool consistent = true;
    int items = 0;
    int writes = 0;
    for (qsizetype b = 0; b < boards.size(); ++b) {
        std::vector<const ServerLoadClient*> members;
        for (const auto& client : clients) {
            if (client->boardId == boards.at(b))
                members.push_back(client.get());
        }
        const ServerProcess::Reply full
            = servers.back()->post(QStringLiteral("/api/boards/%1/sync").arg(boards.at(b)),
                QByteArrayLiteral("{\"checkpoint\": 0, \"items\": []}"),
                QByteArrayLiteral("application/json"), accounts[size_t(2 * b)].token);
        if (full.status != 200) {
            out() << "the full sync of board " << b << " answered " << full.status << '\n';
            return false;
        }
        const BoardCheck check = checkBoard(json(full), members);
        items += check.items;
        writes += check.acknowledgedWrites;
        for (const QString& problem : check.problems.mid(0, 10))
            out() << "INCONSISTENT board " << b << ": " << problem << '\n';
        consistent = consistent && check.problems.isEmpty();
    }
    out() << "Consistency: " << boards.size() << " boards, " << writes << " acknowledged writes, " << items
          << " items: "
          << (consistent ? "every acknowledged write present as last written, revisions 1..n per "
                           "board without gaps or repeats, no item twice, each client's "
                           "revisions and checkpoints only grew, its incremental syncs add up "
                           "to the board"
                         : "FAILED")
          << '\n';
    out().flush();
    return consistent;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("plenko-server under load on 127.0.0.1"));
    parser.addHelpOption();
    const QCommandLineOption clientsOption(QStringLiteral("clients"),
        QStringLiteral("Simulated clients (200)."), QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption requestsOption(QStringLiteral("requests"),
        QStringLiteral("Requests each client makes (30)."), QStringLiteral("n"), QStringLiteral("30"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
        QStringLiteral("Longest load phase; clients start no request after it (120)."), QStringLiteral("s"),
        QStringLiteral("120"));
    const QCommandLineOption workersOption(QStringLiteral("workers"),
        QStringLiteral("Worker threads of each server process (the server's default)."), QStringLiteral("n"),
        QStringLiteral("0"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
        QStringLiteral("Run one configuration: sqlite, postgresql or two-postgresql."),
        QStringLiteral("name"));
    const QCommandLineOption noFsyncOption(QStringLiteral("postgresql-no-fsync"),
        QStringLiteral(
            "Run PostgreSQL without fsync, as the tests do: shows what its commits' flushes cost."));
    const QCommandLineOption streamsOption(QStringLiteral("streams"),
        QStringLiteral("Idle event streams the first server process holds during the load (0)."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption loadStreamsOption(QStringLiteral("streams-of-load-accounts"),
        QStringLiteral("The streams are the load's own accounts', so every write is a frame on some."));
    const QCommandLineOption serverOption(QStringLiteral("server"),
        QStringLiteral("Run this plenko-server binary instead of the one built with the bench (an older "
                       "build, to compare)."),
        QStringLiteral("binary"));
    parser.addOptions({clientsOption, requestsOption, secondsOption, workersOption, onlyOption, noFsyncOption,
        streamsOption, loadStreamsOption, serverOption});
    parser.process(app);
    Options options;
    options.clients = parser.value(clientsOption).toInt();
    options.requestsEach = parser.value(requestsOption).toInt();
    options.seconds = parser.value(secondsOption).toInt();
    options.workers = parser.value(workersOption).toInt();
    options.streams = std::max(0, parser.value(streamsOption).toInt());
    options.streamsOfLoadAccounts = parser.isSet(loadStreamsOption);
    if (options.clients < options.accounts || options.requestsEach < 1 || options.seconds < 1) {
        std::fprintf(
            stderr, "bench_server: --clients must be at least 20, --requests and --seconds at least 1\n");
        return 2;
    }
    qputenv("PLENKO_SERVER",
        parser.isSet(serverOption) ? parser.value(serverOption).toLocal8Bit()
                                   : QByteArray(PLENKO_SERVER_BINARY));

    const QList<QPair<QString, Setup>> setups {
        {QStringLiteral("sqlite"), {QStringLiteral("One server process, SQLite"), false, 1}},
        {QStringLiteral("postgresql"), {QStringLiteral("One server process, PostgreSQL"), true, 1}},
        {QStringLiteral("two-postgresql"),
            {QStringLiteral("Two server processes, one PostgreSQL database"), true, 2}},
    };
    const QString only = parser.value(onlyOption);
    if (!only.isEmpty()
        && std::ranges::none_of(setups, [&only](const auto& setup) { return setup.first == only; })) {
        std::fprintf(stderr, "bench_server: unknown configuration %s\n", qPrintable(only));
        return 2;
    }
    std::unique_ptr<PostgresCluster> cluster;
    bool passed = true;
    for (const auto& [key, setup] : setups) {
        if (!only.isEmpty() && key != only)
            continue;
        if (setup.postgresql && !cluster) {
            cluster = std::make_unique<PostgresCluster>();
            // Written to disk as a production cluster is, so it pays for its commits as SQLite does
            // (WAL, synchronous=FULL).
            cluster->setDurable(!parser.isSet(noFsyncOption));
            if (!cluster->start()) {
                std::fprintf(stderr, "bench_server: %s\n", qPrintable(cluster->errorString()));
                return 1;
            }
        }
        passed = runSetup(setup, options, cluster.get()) && passed;
    }
    return passed ? 0 : 1;
}
