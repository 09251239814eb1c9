// Live updates between two members of one board, each a workspace with its own store that holds the
// service's change channel, against plenko-devserver on 127.0.0.1 (SQLite):
//  - a teammate's edit: from the moment the service acknowledged it to the moment it is in this
//    computer's store, over `rounds` edits (p50 and max); with --postgresql, only this, against two
//    plenko-server processes on one private PostgreSQL cluster, the teammate on the other process;
//  - a change made while the service was down: from the moment the service listens again until the
//    service holds it, with no user action (three runs);
//  - an idle signed-in client: requests per minute besides the channel's heartbeat (one minute).
#include "BenchClock.h"
#include "WorkspaceFixture.h"
#include "domain/Ids.h"
#include "domain/Log.h"
#include "net/ChangeChannel.h"
#include "store/LocalDataService.h"
#include "support/PostgresCluster.h"
#include "support/ServerAccounts.h"
#include "support/ServerProcess.h"
#include "workspace/AutoSync.h"
#include "workspace/LiveUpdates.h"
#include "workspace/SyncStatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace {
using namespace BenchClock;

int rounds = 50;

struct LiveClient
{
    WorkspaceClient client;
    SyncStatus status;
    AutoSync autoSync;
    ChangeChannel channel;
    LiveUpdates live;

    LiveClient(DevServer* server, const QString& email)
        : client(server, email)
        , autoSync(client.workspace(), client.store(), client.api(), status)
        , channel(client.api())
        , live(channel, autoSync, {})
    {
        channel.start();
    }
    LiveClient(const QUrl& serviceUrl, DevServer::Account account)
        : client(serviceUrl, std::move(account))
        , autoSync(client.workspace(), client.store(), client.api(), status)
        , channel(client.api())
        , live(channel, autoSync, {})
    {
        channel.start();
    }
    QString storedContent(const QUuid& itemId)
    {
        const auto found = client.store().fetchItemsWithIds({itemId});
        return found && found->contains(itemId) ? found->value(itemId)->content() : QString();
    }
};

bool onService(DevServer& server, const QString& token, const QUuid& boardId, const QUuid& itemId)
{
    const auto reply = server.request("POST", QStringLiteral("/api/boards/%1/sync").arg(uuidText(boardId)),
        R"({"checkpoint":0,"items":[]})", token);
    for (const QJsonValue& value : reply.object().value(QStringLiteral("newItems")).toArray()) {
        if (QUuid::fromString(value.toObject().value(QStringLiteral("id")).toString()) == itemId)
            return true;
    }
    return false;
}

double percentile(QList<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[qsizetype(fraction * double(values.size() - 1))];
}

int fail(const char* what)
{
    std::fprintf(stderr, "bench_live_updates: %s\n", what);
    return 1;
}

// Ann's cloud board, joined by Ben, with both channels connected.
std::optional<Board> shareBoard(LiveClient& ann, LiveClient& ben)
{
    const Board board = ann.client.createBoard(QStringLiteral("Team"), StorageOption::cloud);
    const auto code = QCoro::waitFor(ann.client.workspace().createInvitation(board));
    if (!code || !QCoro::waitFor(ben.client.workspace().joinBoard(*code)))
        return std::nullopt;
    if (!QTest::qWaitFor([&] { return ann.channel.isConnected() && ben.channel.isConnected(); }, 10000))
        return std::nullopt;
    return board;
}

// Ben edits one item `rounds` times; each time, from his edit's acknowledgement until it is in Ann's
// store. Empty when an edit never arrived.
QList<double> teammateEdits(LiveClient& ann, LiveClient& ben, const QUuid& boardId)
{
    const Item first = ben.client.newItem(*ben.client.workspace().findBoard(boardId), QStringLiteral("edit 0"));
    QCoro::waitFor(ben.client.workspace().addItem(first, *ben.client.workspace().findBoard(boardId)));
    if (!QTest::qWaitFor([&] { return !ann.storedContent(first.id).isEmpty(); }, 10000))
        return {};
    QList<double> arrivals;
    for (int round = 1; round <= rounds; ++round) {
        std::optional<Item> item;
        const std::optional<Board> shownBoard = ben.client.workspace().findBoard(boardId);
        for (const Item& shown : shownBoard ? shownBoard->items : QList<Item> {}) {
            if (shown.id == first.id)
                item = shown;
        }
        if (!item)
            return {};
        item->content = QStringLiteral("edit %1").arg(round);
        QCoro::waitFor(ben.client.workspace().updateItem(*item));
        QElapsedTimer acknowledged;
        acknowledged.start();
        // The store is looked at after every event the loop handles, so the time is the arrival's.
        while (ann.storedContent(first.id) != item->content && acknowledged.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (ann.storedContent(first.id) != item->content)
            return {};
        arrivals.append(msSince(acknowledged));
        QTest::qWait(20);
    }
    return arrivals;
}

void printEdits(const char* where, const QList<double>& arrivals)
{
    std::printf("teammate's edit in this store after the service acknowledged it, %s, %d edits: p50 %.1f ms, "
                "p90 %.1f ms, max %.1f ms\n",
        where, rounds, percentile(arrivals, 0.5), percentile(arrivals, 0.9), percentile(arrivals, 1.0));
}

// An account made through plenko-server's sign-up page, as the application signs in.
DevServer::Account signedUp(ServerProcess& server, const QString& email)
{
    using namespace ServerAccounts;
    if (!startSignIn(server))
        return {};
    const QString token = accessToken(
        server, callbackToken(ServerAccounts::signUp(server, email, QStringLiteral("bench password 1"))));
    const QJsonObject user = QJsonDocument::fromJson(server.getWithToken(QStringLiteral("/api/users/me"), token).body)
                                 .object()
                                 .value(QStringLiteral("user"))
                                 .toObject();
    return {user.value(QStringLiteral("id")).toString(), token, {}};
}

int twoProcessesOnPostgresql()
{
    PostgresCluster cluster;
    cluster.setDurable(true);
    if (!cluster.start())
        return fail(qPrintable(cluster.errorString()));
    const QString config = QStringLiteral("[server]\naddress=127.0.0.1\nport=0\n[database]\npath=%1\n"
                                          "[accounts]\nsignUp=open\naccessTokenSeconds=86400\n")
                               .arg(cluster.createDatabase());
    ServerProcess first(config);
    ServerProcess second(config);
    if (!first.start() || !second.start())
        return fail(qPrintable(first.errorString() + second.errorString()));
    const auto url = [](const ServerProcess& server) {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    };
    LiveClient ann(url(first), signedUp(first, QStringLiteral("ann@example.com")));
    LiveClient ben(url(second), signedUp(second, QStringLiteral("ben@example.com")));
    if (!ann.client.isValid() || !ben.client.isValid() || !ann.client.account().isValid()
        || !ben.client.account().isValid())
        return fail("the accounts could not be made");
    const std::optional<Board> board = shareBoard(ann, ben);
    if (!board)
        return fail("the board could not be shared");
    const QList<double> arrivals = teammateEdits(ann, ben, board->id);
    if (arrivals.isEmpty())
        return fail("an edit never arrived");
    printEdits("two plenko-server processes on one PostgreSQL, teammate on the other", arrivals);
    return 0;
}
}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    if (qEnvironmentVariableIsEmpty("PLENKO_DEVSERVER"))
        qputenv("PLENKO_DEVSERVER", PLENKO_DEVSERVER_BINARY);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument.front().isDigit())
            rounds = std::max(1, argument.toInt());
    }
    setLogSink([](const QString&) { });
    if (arguments.contains(QStringLiteral("--postgresql"))) {
        qputenv("PLENKO_SERVER", QByteArray(PLENKO_SERVER_BINARY));
        return twoProcessesOnPostgresql();
    }

    QTemporaryDir data;
    DevServer::Options options;
    options.dataFile = data.filePath(QStringLiteral("service.json"));
    DevServer server(options);
    if (!server.isRunning())
        return fail(qPrintable(server.errorString()));
    auto ann = std::make_unique<LiveClient>(&server, QStringLiteral("ann@example.com"));
    auto ben = std::make_unique<LiveClient>(&server, QStringLiteral("ben@example.com"));
    const std::optional<Board> shared = shareBoard(*ann, *ben);
    if (!shared)
        return fail("the board could not be shared");
    const Board board = *shared;
    const QList<double> arrivals = teammateEdits(*ann, *ben, board.id);
    if (arrivals.isEmpty())
        return fail("an edit never arrived");
    printEdits("one plenko-devserver on SQLite", arrivals);

    // A change made while the service was down, until the service holds it.
    for (int run = 0; run < 3; ++run) {
        server.stop();
        if (!QTest::qWaitFor([&] { return !ann->channel.isConnected(); }, 10000))
            return fail("the channel did not notice the service stopped");
        const Item offline = ann->client.newItem(*ann->client.workspace().findBoard(board.id),
            QStringLiteral("offline %1").arg(run));
        QCoro::waitFor(ann->client.workspace().addItem(offline, *ann->client.workspace().findBoard(board.id)));
        // Down for a few seconds: the waits between attempts have grown meanwhile.
        QTest::qWait(3000 + run * 3000);
        if (!server.restart())
            return fail(qPrintable(server.errorString()));
        QElapsedTimer back;
        back.start();
        ann->client.api().setBaseUrl(server.baseUrl().toString());
        ben->client.api().setBaseUrl(server.baseUrl().toString());
        while (!onService(server, ann->client.api().accessToken(), board.id, offline.id) && back.elapsed() < 60000)
            QTest::qWait(20);
        std::printf("offline change on the service after it listened again (down %d s): %.0f ms\n",
            3 + run * 3, msSince(back));
    }

    // An idle signed-in client, alone, for a minute.
    ben.reset();
    if (!QTest::qWaitFor([&] { return ann->channel.isConnected() && ann->client.workspace().syncingBoards().isEmpty(); }, 10000))
        return fail("Ann's channel is not connected");
    QTest::qWait(2000);
    const qsizetype before = server.output().size();
    QTest::qWait(60000);
    const QStringList lines = server.output().mid(before);
    std::printf("idle client, one minute: %lld requests besides the channel\n", qlonglong(lines.size()));
    for (const QString& line : lines)
        std::printf("  %s\n", qPrintable(line));
    return 0;
}
