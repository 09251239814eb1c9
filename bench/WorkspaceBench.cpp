// Times the workspace's two bulk paths against their plain parts:
//  - syncBoard receiving 10,000 new items (or as many as the first argument says) from an HTTP
//    server on 127.0.0.1 (transfer, decoding, storing, reloading the board), beside decoding alone
//    and storing alone (applyRemoteItems), with the longest gap of a 5 ms heartbeat timer during it
//    (the longest time the UI thread was not free to handle events);
//  - loadBoards over a store of 50 boards holding 10,000 items, from a freshly opened store file
//    (as at start-up) and again on the same workspace.
#include "BenchBoards.h"
#include "BenchClock.h"
#include "BenchHeartbeat.h"
#include "BenchWorkspace.h"
#include "CannedHttpServer.h"

#include "domain/Log.h"
#include "domain/ServiceDecoder.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"
#include "wirecodec/ResponseEncoder.h"
#include "workspace/BoardViewModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {
using namespace BenchClock;

int syncItemCount = 10000;
constexpr int loadBoardCount = 50;
int loadItemCount = 10000; // as many as the sync, a fifth on the first board
int loadFirstBoardItems = 2000;
int runs = 7;
qsizetype chunkItems = 0; // 0: the workspace's own

std::unique_ptr<StoreContext> openStore(const QString& fileName)
{
    auto store = StoreContext::open(fileName);
    if (!store)
        qFatal("store: %s", qPrintable(store.error().message));
    return std::move(*store);
}

qsizetype undeletedItems(const Board& board)
{
    return std::count_if(board.items.cbegin(), board.items.cend(), [](const Item& item) { return !item.isDeleted(); });
}

struct SyncTimes
{
    QList<double> sync, syncCpu, stall, reload, decode, store;
};

void benchSync(const QString& root, SyncTimes& times)
{
    const QUuid boardId = QUuid::createUuid();
    const QByteArray body = encodeBody(BenchBoards::syncAnswer(boardId, syncItemCount));
    std::printf("sync answer: %d new items, %.1f MB of JSON\n", syncItemCount, double(body.size()) / 1e6);

    CannedHttpServer server(body, BenchBoards::boardDetailsBody(boardId));
    if (server.baseUrl().isEmpty())
        qFatal("the bench server could not listen on 127.0.0.1");

    for (int run = 0; run < runs; ++run) {
        const QString folder = root + QStringLiteral("/sync%1").arg(run);
        QDir().mkpath(folder);
        BenchWorkspace client(folder, server.baseUrl());
        client.signIn();
        if (chunkItems > 0)
            client.model->setSyncChunkItems(chunkItems);
        client.store->insert(makeLocalBoard(BenchBoards::cloudBoard(boardId)));
        (void)client.store->save();
        client.model->loadBoards(true);
        const std::optional<Board> board = client.model->findBoard(boardId);
        if (!board)
            qFatal("the cloud board did not load");

        const int servedBefore = server.served();
        QElapsedTimer timer;
        Heartbeat heartbeat;
        const double cpuStart = processCpuMs();
        timer.start();
        heartbeat.start();
        const bool synced = QCoro::waitFor(client.model->syncBoard(*board, false));
        times.stall.append(heartbeat.stop());
        times.sync.append(msSince(timer));
        times.syncCpu.append(processCpuMs() - cpuStart);
        const std::optional<Board> after = client.model->findBoard(boardId);
        if (!synced || server.served() != servedBefore + 1 || !after || undeletedItems(*after) != syncItemCount)
            qFatal("sync did not bring the %d items (synced %d, items %lld)", syncItemCount, int(synced),
                after ? qlonglong(undeletedItems(*after)) : -1LL);

        // The last step of the sync on its own: the board's items read back into the workspace.
        timer.start();
        client.model->reloadBoardItems(boardId);
        times.reload.append(msSince(timer));

        // The plain parts: decoding the same bytes, and storing the decoded items in a fresh store.
        timer.start();
        const auto decoded = decodeServiceResponse<SyncResponse>(body);
        times.decode.append(msSince(timer));
        if (!decoded || decoded->newItems.size() != syncItemCount)
            qFatal("decode failed");

        auto plain = openStore(folder + QStringLiteral("/plain.store"));
        plain->insert(makeLocalBoard(BenchBoards::cloudBoard(boardId)));
        (void)plain->save();
        timer.start();
        if (!LocalDataService::applyRemoteItems(decoded->newItems, *plain) || plain->hasChanges())
            qFatal("applyRemoteItems failed");
        times.store.append(msSince(timer));
    }
}

struct LoadTimes
{
    QList<double> open, cold, coldCpu, warm;
};

void benchLoad(const QString& root, LoadTimes& times)
{
    const QString fileName = root + QStringLiteral("/load/default.store");
    QDir().mkpath(root + QStringLiteral("/load"));
    {
        auto store = openStore(fileName);
        BenchBoards::fill(*store, loadBoardCount, loadItemCount, loadFirstBoardItems);
    }
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        BenchWorkspace client(root + QStringLiteral("/load"));
        client.signIn();
        times.open.append(msSince(timer));

        const double cpuStart = processCpuMs();
        timer.start();
        client.model->loadBoards(false);
        times.cold.append(msSince(timer));
        times.coldCpu.append(processCpuMs() - cpuStart);
        qsizetype items = 0;
        for (const Board& board : client.model->boards())
            items += board.overallProgress().total;
        if (client.model->boards().size() != loadBoardCount || items != loadItemCount)
            qFatal("loaded %lld boards and %lld items", qlonglong(client.model->boards().size()), qlonglong(items));

        timer.start();
        client.model->loadBoards(false);
        times.warm.append(msSince(timer));
    }
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // bench_workspace [ITEMS [RUNS [CHUNK]]]: the size of the sync, how many times it runs, and how
    // many items the sync writes per transaction (the workspace's own choice when absent).
    if (argc > 1)
        syncItemCount = QByteArray(argv[1]).toInt();
    if (argc > 2)
        runs = QByteArray(argv[2]).toInt();
    if (argc > 3)
        chunkItems = QByteArray(argv[3]).toLongLong();
    if (syncItemCount <= 0 || runs <= 0 || chunkItems < 0)
        qFatal("usage: bench_workspace [ITEMS [RUNS [CHUNK]]]");
    loadItemCount = syncItemCount;
    loadFirstBoardItems = syncItemCount / 5;
    // The request log would interleave with the figures.
    setLogSink([](const QString&) {});
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");

    SyncTimes sync;
    benchSync(dir.path(), sync);
    const double store = median(sync.store);
    std::printf("median of %d runs\n", runs);
    std::printf("decode the answer alone:                          %8.1f ms\n", median(sync.decode));
    std::printf("applyRemoteItems alone, new items (baseline):      %8.1f ms  1.00x\n", store);
    std::printf("reloadBoardItems alone, after the sync:            %8.1f ms\n", median(sync.reload));
    std::printf("syncBoard, %d new items over HTTP:             %8.1f ms  %.2fx baseline\n", syncItemCount,
        median(sync.sync), median(sync.sync) / store);
    std::printf("  longest UI stall during it (5 ms heartbeat):     %8.1f ms  (worst run %.1f ms)\n",
        median(sync.stall), *std::max_element(sync.stall.cbegin(), sync.stall.cend()));
    std::printf("  processor time of the process during it:         %8.1f ms\n", median(sync.syncCpu));

    LoadTimes load;
    benchLoad(dir.path(), load);
    std::printf("%d boards, %d items in the store (%d on the first board)\n", loadBoardCount, loadItemCount,
        loadFirstBoardItems);
    std::printf("open store, preferences, workspace:                %8.1f ms\n", median(load.open));
    std::printf("loadBoards, store just opened:                     %8.1f ms  (target <= 100 ms)\n", median(load.cold));
    std::printf("  processor time:                                  %8.1f ms\n", median(load.coldCpu));
    std::printf("loadBoards again, same workspace:                  %8.1f ms\n", median(load.warm));
    return 0;
}
