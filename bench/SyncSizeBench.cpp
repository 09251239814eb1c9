// One large board through plenko-server on 127.0.0.1, on SQLite and on PostgreSQL (fsync on): a
// client sends N new items as pending items of syncs of at most 1,000 each (each from the checkpoint
// the previous answer gave), then a newly joined member's checkpoint-0 sync reads the whole board.
// Prints each part's time and the full sync's; exits 1 when a request fails or an answer is short.
// See bench/README.md for the command and the figures.
#include "BenchClock.h"
#include "BenchServerConfig.h"
#include "support/PostgresCluster.h"
#include "support/ServerAccounts.h"
#include "support/ServerProcess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QTextStream>
#include <QUuid>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace {

constexpr int itemsPerSync = 1000;

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QString ms(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" ms");
}

QString uuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

ServerProcess::Reply sync(ServerProcess& server, const QString& token, const QString& board,
    qint64 checkpoint, const QJsonArray& items)
{
    return server.sendJson("POST", QStringLiteral("/api/boards/%1/sync").arg(board),
        {{QStringLiteral("checkpoint"), checkpoint}, {QStringLiteral("items"), items}}, token);
}

QJsonArray pendingItems(int first, int count, const QString& board, const QString& userId)
{
    QJsonArray items;
    for (int i = first; i < first + count; ++i)
        items.append(QJsonObject {{QStringLiteral("id"), uuid()},
            {QStringLiteral("content"), QStringLiteral("Bench item %1").arg(i)},
            {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("boardId"), board},
            {QStringLiteral("createdBy"), userId}, {QStringLiteral("order"), i},
            {QStringLiteral("createdAt"), QStringLiteral("2026-12-07T12:00:00Z")},
            {QStringLiteral("updatedAt"), QStringLiteral("2026-12-07T12:00:00Z")},
            {QStringLiteral("revision"), 0}});
    return items;
}

// Processor seconds a process has used so far (user and system), from /proc.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// The service's own time for its last request, from its request log line ("... 200 412ms").
QString serviceTime(const ServerProcess& server)
{
    const QStringList lines = server.output();
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        const QString& line = lines.at(i);
        if (line.contains(QLatin1String("/sync ")) && line.endsWith(QLatin1String("ms")))
            return line.section(QLatin1Char(' '), -1).chopped(2) + QStringLiteral(" ms");
    }
    return QStringLiteral("unknown");
}

bool run(const QString& name, const QString& database, int total, int fullSyncs)
{
    out() << "\n## " << name << ", " << total << " items\n\n";
    out().flush();
    ServerProcess server(benchServerConfig(database));
    if (!server.start()) {
        out() << "plenko-server did not start: " << server.errorString() << '\n';
        return false;
    }
    const QString owner = ServerAccounts::signedUp(
        server, QStringLiteral("owner@example.com"), QStringLiteral("bench password"));
    const QString member = ServerAccounts::signedUp(
        server, QStringLiteral("member@example.com"), QStringLiteral("bench password"));
    if (owner.isEmpty() || member.isEmpty()) {
        out() << "sign-up failed\n";
        return false;
    }
    const QString userId = ServerAccounts::userId(server, owner);
    const QString board = server
                              .sendJson("POST", QStringLiteral("/api/boards"),
                                  {{QStringLiteral("name"), QStringLiteral("Large")}}, owner)
                              .json()
                              .value(QStringLiteral("id"))
                              .toString();
    if (!ServerAccounts::joinBoard(server, board, owner, member)) {
        out() << "the member could not join\n";
        return false;
    }

    // The parts a client sends, each timed from the request to the whole answer.
    QList<double> parts;
    qint64 checkpoint = 0;
    for (int first = 0; first < total; first += itemsPerSync) {
        const QJsonArray items = pendingItems(first, std::min(itemsPerSync, total - first), board, userId);
        QElapsedTimer clock;
        clock.start();
        const ServerProcess::Reply reply = sync(server, owner, board, checkpoint, items);
        parts.append(BenchClock::msSince(clock));
        const QJsonObject answer = reply.json();
        if (reply.status != 200
            || answer.value(QStringLiteral("newItems")).toArray().size() != items.size()) {
            out() << "part " << parts.size() << " answered " << reply.status << " after " << ms(parts.last())
                  << '\n';
            return false;
        }
        checkpoint = answer.value(QStringLiteral("latestCheckpoint")).toInteger();
    }
    QList<double> sorted = parts;
    std::ranges::sort(sorted);
    double sum = 0;
    for (double part : parts)
        sum += part;
    out() << parts.size() << " syncs of up to " << itemsPerSync << " pending items: " << ms(sum)
          << " in all; first " << ms(parts.first()) << ", median " << ms(BenchClock::median(parts))
          << ", slowest " << ms(sorted.last()) << ", last " << ms(parts.last()) << "\nEach, in ms:";
    for (double part : parts)
        out() << ' ' << qRound(part);
    out() << '\n';

    // What a newly joined member asks for: the whole board from checkpoint 0.
    for (int i = 0; i < fullSyncs; ++i) {
        const double cpuBefore = cpuSeconds(server.processId());
        QElapsedTimer clock;
        clock.start();
        const ServerProcess::Reply reply = sync(server, member, board, 0, {});
        const double took = BenchClock::msSince(clock);
        QTest::qWait(200); // the log line follows the answer
        const double cpu = (cpuSeconds(server.processId()) - cpuBefore) * 1000;
        const qsizetype received = reply.json().value(QStringLiteral("newItems")).toArray().size();
        out() << "Checkpoint-0 sync: " << ms(took) << " (in the service " << serviceTime(server)
              << ", its processor time " << ms(cpu) << "), " << received << " items, "
              << reply.body.size() / 1024 << " KiB\n";
        if (reply.status != 200 || received != total) {
            out() << "the full sync answered " << reply.status << " with " << received << " items\n";
            return false;
        }
    }
    // Last, so that a server without the limit has its answers above measured on the same board.
    const ServerProcess::Reply tooMany
        = sync(server, owner, board, checkpoint, pendingItems(0, itemsPerSync + 1, board, userId));
    out() << "A sync of " << itemsPerSync + 1 << " pending items answered " << tooMany.status << ' '
          << tooMany.json().value(QStringLiteral("code")).toString() << '\n';
    out().flush();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A large board's syncs through plenko-server."));
    parser.addHelpOption();
    const QCommandLineOption itemsOption(
        QStringLiteral("items"), QStringLiteral("Items on the board (default 50000)."), QStringLiteral("n"));
    const QCommandLineOption fullOption(QStringLiteral("full-syncs"),
        QStringLiteral("Checkpoint-0 syncs to time (default 3)."), QStringLiteral("n"));
    const QCommandLineOption sqliteOnly(QStringLiteral("sqlite-only"), QStringLiteral("Skip PostgreSQL."));
    const QCommandLineOption postgresOnly(QStringLiteral("postgresql-only"), QStringLiteral("Skip SQLite."));
    parser.addOptions({itemsOption, fullOption, sqliteOnly, postgresOnly});
    parser.process(app);
    const int items = parser.isSet(itemsOption) ? parser.value(itemsOption).toInt() : 50000;
    const int fullSyncs = parser.isSet(fullOption) ? parser.value(fullOption).toInt() : 3;
    // Another build's server (an older version, for a before-and-after figure) when PLENKO_SERVER names it.
    if (qEnvironmentVariableIsEmpty("PLENKO_SERVER"))
        qputenv("PLENKO_SERVER", PLENKO_SERVER_BINARY);

    bool ok = parser.isSet(postgresOnly)
        || run(QStringLiteral("SQLite"), QStringLiteral("data.sqlite"), items, fullSyncs);
    if (!parser.isSet(sqliteOnly)) {
        PostgresCluster cluster;
        cluster.setDurable(true);
        if (!cluster.start()) {
            out() << "PostgreSQL did not start: " << cluster.errorString() << '\n';
            return 1;
        }
        ok = run(QStringLiteral("PostgreSQL"), cluster.createDatabase(), items, fullSyncs) && ok;
    }
    return ok ? 0 : 1;
}
