// Export and import of 100,000 items (four boards) as the window runs them: the store read and the
// file written on a worker thread, the file read and checked on a worker thread, the store written
// on the window's thread in slices of one transaction with the event loop turning between them.
// Prints each step's wall time, the processor time of the whole process (what the work costs when
// other processes share the machine), and the longest stall of the window's thread (a 5 ms
// heartbeat). Baseline: writing the same items through the store's own insert and save, without the
// file. See bench/README.md.
#include "BenchClock.h"
#include "BenchHeartbeat.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/StoreContext.h"
#include "transfer/ArchiveCollector.h"
#include "transfer/ImportApplier.h"
#include "transfer/TransferFiles.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>
#include <optional>

namespace {

constexpr qsizetype itemCount = 100000;
// The window's slice (TransferCommands).
constexpr int writeSliceMs = 15;

BoardArchive makeArchive()
{
    BoardArchive archive;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int b = 0; b < 4; ++b) {
        Board board;
        board.id = QUuid::createUuid();
        board.name = QStringLiteral("Board %1").arg(b);
        board.createdAt = now;
        board.updatedAt = now;
        for (qsizetype i = 0; i < itemCount / 4; ++i) {
            Item item;
            item.id = QUuid::createUuid();
            item.boardId = board.id;
            item.content = QStringLiteral("Item %1 with a few words of text, like most items have ✓").arg(i);
            item.status = allItemStatuses.at(size_t(i % 3));
            item.order = i;
            item.createdBy = QUuid::createUuid();
            item.createdAt = now.addMSecs(i);
            item.updatedAt = now.addMSecs(i);
            board.items.append(item);
        }
        archive.boards.append(board);
    }
    return archive;
}

// Runs work on a worker thread while this thread turns its event loop, as the window does.
template<typename Work>
auto offThread(Work work)
{
    QFutureWatcher<decltype(work())> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(work));
    loop.exec();
    return watcher.result();
}

std::unique_ptr<StoreContext> openStore(const QString& file)
{
    auto context = StoreContext::open(file);
    if (!context)
        qFatal("%s", qPrintable(context.error().message));
    return std::move(*context);
}

}

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    LocalStore preferences(dir.filePath(QStringLiteral("preferences.ini")));
    const BoardArchive archive = makeArchive();

    // Baseline: the same records through the store's insert and one save.
    double baseline = 0;
    {
        auto context = openStore(dir.filePath(QStringLiteral("baseline.store")));
        QElapsedTimer timer;
        timer.start();
        for (const Board& board : archive.boards) {
            context->insert(makeLocalBoard(board));
            for (const Item& item : board.items)
                context->insert(makeLocalItem(item));
        }
        if (!context->save())
            qFatal("baseline save failed");
        baseline = BenchClock::msSince(timer);
    }

    const QString file = dir.filePath(QStringLiteral("export.json"));
    const QString storeFile = dir.filePath(QStringLiteral("baseline.store"));
    struct Phases
    {
        double first = 0;
        double second = 0;
        double third = 0;
    };
    Heartbeat heartbeat;
    heartbeat.start();
    QElapsedTimer timer;
    timer.start();
    double cpu = BenchClock::processCpuMs();
    const auto exported = offThread([storeFile, file]() -> std::optional<Phases> {
        Phases phases;
        QElapsedTimer phase;
        phase.start();
        auto context = openStore(storeFile);
        auto collected = collectBoards(*context, {});
        if (!collected)
            return std::nullopt;
        phases.first = BenchClock::msSince(phase);
        phase.restart();
        const QByteArray bytes = encodeExport(*collected, ExportFormat::archive, QDateTime::currentDateTimeUtc());
        phases.second = BenchClock::msSince(phase);
        phase.restart();
        if (!writeWholeFile(file, bytes))
            return std::nullopt;
        phases.third = BenchClock::msSince(phase);
        return phases;
    });
    const double exportMs = BenchClock::msSince(timer);
    const double exportCpu = BenchClock::processCpuMs() - cpu;
    const double exportStall = heartbeat.stop();
    if (!exported)
        qFatal("export failed");

    auto context = openStore(dir.filePath(QStringLiteral("import.store")));
    heartbeat.start();
    timer.restart();
    cpu = BenchClock::processCpuMs();
    Phases importPhases;
    double parseCpu = 0;
    auto read = offThread([file, &importPhases, &parseCpu] {
        QElapsedTimer phase;
        phase.start();
        const auto bytes = readWholeFile(file);
        importPhases.first = BenchClock::msSince(phase);
        phase.restart();
        const double cpuBefore = BenchClock::threadCpuMs();
        auto result = readImportFile(bytes.value_or(QByteArray()), file, QDateTime::currentDateTimeUtc());
        importPhases.second = BenchClock::msSince(phase);
        parseCpu = BenchClock::threadCpuMs() - cpuBefore;
        return result;
    });
    if (!read || !read->plan)
        qFatal("read failed");
    QElapsedTimer phase;
    phase.start();
    // As the window does it: a slice, then the event loop's turn, and the commit after a turn too.
    ImportWriter writer(std::move(*read->plan), *context, preferences);
    // The longest slice in wall time and in this thread's processor time: on a shared machine the
    // wall time includes the waits for a processor, the processor time is the slice's own work.
    double longestSlice = 0;
    double longestSliceCpu = 0;
    double slicesCpu = 0;
    while (true) {
        QElapsedTimer sliceTimer;
        sliceTimer.start();
        const double sliceCpu = BenchClock::threadCpuMs();
        const auto done = writer.writeFor(std::chrono::milliseconds(writeSliceMs));
        longestSlice = std::max(longestSlice, BenchClock::msSince(sliceTimer));
        longestSliceCpu = std::max(longestSliceCpu, BenchClock::threadCpuMs() - sliceCpu);
        slicesCpu += BenchClock::threadCpuMs() - sliceCpu;
        if (!done)
            qFatal("import failed: %s", qPrintable(done.error()));
        QCoreApplication::processEvents();
        if (*done)
            break;
    }
    QElapsedTimer finishTimer;
    finishTimer.start();
    const double finishCpu = BenchClock::threadCpuMs();
    const auto report = writer.finish();
    const double finishMs = BenchClock::msSince(finishTimer);
    const double finishCpuMs = BenchClock::threadCpuMs() - finishCpu;
    importPhases.third = BenchClock::msSince(phase);
    const double importMs = BenchClock::msSince(timer);
    const double importCpu = BenchClock::processCpuMs() - cpu;
    const double importStall = heartbeat.stop();
    if (!report || report->items != itemCount)
        qFatal("import failed");

    std::printf("100,000 items, file %.1f MB\n", double(QFileInfo(file).size()) / 1e6);
    std::printf("baseline: store insert and save          %8.1f ms\n", baseline);
    std::printf("export: store read                       %8.1f ms\n", exported->first);
    std::printf("export: JSON text                        %8.1f ms\n", exported->second);
    std::printf("export: file written                     %8.1f ms\n", exported->third);
    std::printf("export total                             %8.1f ms  cpu %8.1f ms  longest stall %.1f ms\n", exportMs,
        exportCpu, exportStall);
    std::printf("import: file read                        %8.1f ms\n", importPhases.first);
    std::printf("import: JSON parsed and checked          %8.1f ms  cpu %8.1f ms\n", importPhases.second, parseCpu);
    std::printf("import: store write (window, in slices)  %8.1f ms  cpu %8.1f ms  (%.2fx baseline)\n",
        importPhases.third, slicesCpu + finishCpuMs, importPhases.third / baseline);
    std::printf("import: longest slice %.1f ms (cpu %.1f ms), commit %.1f ms (cpu %.1f ms)\n", longestSlice,
        longestSliceCpu, finishMs, finishCpuMs);
    std::printf("import total                             %8.1f ms  cpu %8.1f ms  longest stall %.1f ms\n", importMs,
        importCpu, importStall);
    return 0;
}
