// Export and import of 100,000 items (four boards) as the window runs them: the store read and the
// file written on a worker thread, the file read and checked on a worker thread, the store written
// on the window's thread in one transaction. Prints each step's wall time and the longest stall of
// the window's thread (a 5 ms heartbeat). Baseline: writing the same items through the store's own
// insert and save, without the file. See bench/README.md.
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

namespace {

constexpr qsizetype itemCount = 100000;

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
    Heartbeat heartbeat;
    heartbeat.start();
    QElapsedTimer timer;
    timer.start();
    const auto exported = offThread([storeFile, file] {
        auto context = openStore(storeFile);
        auto collected = collectBoards(*context, {});
        if (!collected)
            return false;
        return writeWholeFile(file, encodeExport(*collected, ExportFormat::archive, QDateTime::currentDateTimeUtc()))
            .has_value();
    });
    const double exportMs = BenchClock::msSince(timer);
    const double exportStall = heartbeat.stop();
    if (!exported)
        qFatal("export failed");

    auto context = openStore(dir.filePath(QStringLiteral("import.store")));
    heartbeat.start();
    timer.restart();
    auto read = offThread([file] {
        const auto bytes = readWholeFile(file);
        return readImportFile(bytes.value_or(QByteArray()), file, QDateTime::currentDateTimeUtc());
    });
    const double readMs = BenchClock::msSince(timer);
    if (!read || !read->plan)
        qFatal("read failed");
    timer.restart();
    const auto report = applyImport(std::move(*read->plan), *context, preferences);
    const double applyMs = BenchClock::msSince(timer);
    const double importStall = heartbeat.stop();
    if (!report || report->items != itemCount)
        qFatal("import failed");

    std::printf("100,000 items, file %.1f MB\n", double(QFileInfo(file).size()) / 1e6);
    std::printf("baseline: store insert and save      %8.1f ms\n", baseline);
    std::printf("export (store read, JSON, file)      %8.1f ms  longest stall %.1f ms\n", exportMs, exportStall);
    std::printf("import: read and check the file      %8.1f ms\n", readMs);
    std::printf("import: store write (window thread)  %8.1f ms  (%.2fx baseline)\n", applyMs, applyMs / baseline);
    std::printf("import total                         %8.1f ms  longest stall %.1f ms\n", readMs + applyMs, importStall);
    return 0;
}
