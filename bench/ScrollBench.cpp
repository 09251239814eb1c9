// Scrolls a board's item list from its first item to its last, frame by frame, offscreen: each frame
// moves the list by one step, lets the event loop run and paints the view. Reports the frame times
// and how much resident memory grew from the first screen to the end. Also times one item of the
// shown board changed (`--update <items>`), and a sync bringing a shown cloud board its items over
// HTTP with the list on screen (`--sync <items>`). Without arguments it runs each size in a fresh
// process of itself and prints the tables; see bench/README.md.
#include "BenchBoards.h"
#include "BenchClock.h"
#include "BenchHeartbeat.h"
#include "BenchProcess.h"
#include "BenchWorkspace.h"
#include "CannedHttpServer.h"

#include "app/BoardContentView.h"
#include "app/ItemCardView.h"
#include "app/NotificationCenter.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"
#include "wirecodec/ResponseEncoder.h"
#include "workspace/BoardViewModel.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {
using namespace BenchClock;

// About a third of the view's height per frame: a quick flick of the wheel, every frame.
constexpr int stepPixels = 240;
constexpr int viewWidth = 900;
constexpr int viewHeight = 800;
const QList<int> sizes {1000, 10000, 20000};
const QList<int> updateSizes {1000, 10000, 20000, 100000};
constexpr int updates = 9;
const QList<int> syncSizes {10000, 100000};

double percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = qsizetype(fraction * double(values.size() - 1) + 0.5);
    return values.at(std::clamp<qsizetype>(at, 0, values.size() - 1));
}

// Paints the view and every card in it, as a frame on screen would.
void paintView(QWidget* viewport)
{
    QPixmap frame(viewport->size());
    viewport->render(&frame);
}

// One board whose todo column holds `count` items of one to four paragraphs.
void fillColumn(BenchWorkspace& workspace, int count)
{
    QCoro::waitFor(workspace.model->createBoard(QStringLiteral("Long column"), StorageOption::local));
    const QUuid boardId = workspace.model->boards().first().id;
    for (int index = 0; index < count; ++index) {
        Item item = BenchBoards::item(boardId, index);
        item.status = ItemStatus::todo;
        item.archivedAt.reset();
        for (int paragraph = 0; paragraph < index % 4; ++paragraph)
            item.content += QStringLiteral("\n\nA further paragraph of notes, number %1.").arg(paragraph + 1);
        workspace.store->insert(makeLocalItem(item));
    }
    if (auto saved = workspace.store->save(); !saved)
        qFatal("items not stored: %s", qPrintable(saved.error().message));
    QCoro::waitFor(workspace.model->selectBoard(boardId));
    if (workspace.model->selectedBoard().items.size() != count)
        qFatal("the board holds %lld items, not %d", qlonglong(workspace.model->selectedBoard().items.size()),
            count);
}

// The column's list shown offscreen at the bench's size, settled.
struct ShownColumn
{
    explicit ShownColumn(int count)
    {
        fillColumn(workspace, count);
        list.resize(viewWidth, viewHeight);
        list.show();
        if (!QTest::qWaitForWindowExposed(&list))
            qFatal("the list was not shown");
        QTest::qWait(200);
    }

    BenchWorkspace workspace;
    NotificationCenter center;
    BoardContentView list {
        ViewContext {*workspace.model, *workspace.preferences, workspace.toasts, center, *workspace.api, nullptr}};
};

int runScroll(int count)
{
    ShownColumn shown(count);
    BoardContentView& list = shown.list;
    QWidget* viewport = list.scrollArea()->viewport();
    QScrollBar* bar = list.scrollArea()->verticalScrollBar();
    const double rssStart = statusMb("VmRSS");
    const double hwmStart = statusMb("VmHWM");

    QList<double> frames;
    QList<double> frameCpu; // this thread's processor time per frame: what other processes cannot inflate
    double rssMost = rssStart;
    int mostCards = 0;
    QElapsedTimer total;
    total.start();
    while (list.hasMore() || bar->value() < bar->maximum()) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMs();
        bar->setValue(bar->value() + stepPixels);
        QCoreApplication::processEvents();
        paintView(viewport);
        frames.append(msSince(timer));
        frameCpu.append(threadCpuMs() - cpuStart);
        if (frames.size() % 100 == 0) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            rssMost = std::max(rssMost, statusMb("VmRSS"));
            mostCards
                = std::max(mostCards, int(list.scrollArea()->widget()->findChildren<ItemCardView*>().size()));
        }
        if (total.elapsed() > 600000)
            qFatal("scrolling took over ten minutes");
    }
    const QList<ItemCardView*> cards = list.cards();
    if (cards.isEmpty() || !std::any_of(cards.cbegin(), cards.cend(), [&](const ItemCardView* card) {
            return card->item().id == list.liveItems().constLast()->id && card->isVisible();
        }))
        qFatal("the last item is not shown at the end");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const double rssEnd = statusMb("VmRSS");

    // The plain frame: the same view painted again without moving, no card made or measured.
    QList<double> plain;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        QCoreApplication::processEvents();
        paintView(viewport);
        plain.append(msSince(timer));
    }
    std::printf("frames %lld\np50 %.3f\np99 %.3f\nmax %.3f\nplain_p50 %.3f\nplain_p99 %.3f\n",
        qlonglong(frames.size()), percentile(frames, 0.5), percentile(frames, 0.99),
        *std::max_element(frames.cbegin(), frames.cend()), percentile(plain, 0.5), percentile(plain, 0.99));
    std::printf("cpu_p50 %.3f\ncpu_p99 %.3f\ncpu_max %.3f\n", percentile(frameCpu, 0.5),
        percentile(frameCpu, 0.99), *std::max_element(frameCpu.cbegin(), frameCpu.cend()));
    std::printf("rss_start %.1f\nrss_end %.1f\nrss_most %.1f\nhwm_growth %.1f\ncards_most %d\n", rssStart,
        rssEnd, std::max(rssMost, rssEnd), statusMb("VmHWM") - hwmStart, mostCards);
    std::fflush(stdout);
    std::_Exit(0);
}

// A change of the shown board, as a sync's end or any edit makes it: the board with one item changed
// goes through the workspace, then the view takes it and paints.
int runUpdate(int count)
{
    ShownColumn shown(count);
    BenchWorkspace& workspace = shown.workspace;
    BoardContentView& list = shown.list;
    QWidget* viewport = list.scrollArea()->viewport();

    QList<double> times;
    for (int i = 0; i < updates; ++i) {
        Board board = workspace.model->selectedBoard();
        const QString edited = QStringLiteral("Edited %1").arg(i);
        board.items[i].content = edited;
        QElapsedTimer timer;
        timer.start();
        workspace.model->applyBoardUpdate(board);
        QCoreApplication::processEvents();
        paintView(viewport);
        times.append(msSince(timer));
        if (!std::any_of(list.liveItems().cbegin(), list.liveItems().cend(),
                [&](const Item* item) { return item->content == edited; }))
            qFatal("the view did not take the change");
    }
    std::printf("update_p50 %.3f\nupdate_max %.3f\n", percentile(times, 0.5),
        *std::max_element(times.cbegin(), times.cend()));
    std::fflush(stdout);
    std::_Exit(0);
}

// A sync bringing `count` new items to the cloud board the list shows, from an HTTP server on
// 127.0.0.1, with the longest time the window's thread was held while it ran: the download, the
// steps that store the items, and the last turn, in which the list takes the whole board.
int runSync(int count)
{
    const QUuid boardId = QUuid::createUuid();
    CannedHttpServer server(encodeBody(BenchBoards::syncAnswer(boardId, count)), BenchBoards::boardDetailsBody(boardId));
    if (server.baseUrl().isEmpty())
        qFatal("the bench server could not listen on 127.0.0.1");

    BenchWorkspace workspace({}, server.baseUrl());
    workspace.signIn();
    const Board board = BenchBoards::cloudBoard(boardId);
    workspace.store->insert(makeLocalBoard(board));
    if (auto saved = workspace.store->save(); !saved)
        qFatal("board not stored: %s", qPrintable(saved.error().message));
    // The window has shown cards before (another board's), as in a session: the first card a
    // process renders also loads fonts and date parsers, which is not the sync's cost.
    fillColumn(workspace, 20);
    NotificationCenter center;
    BoardContentView list {
        ViewContext {*workspace.model, *workspace.preferences, workspace.toasts, center, *workspace.api, nullptr}};
    list.resize(viewWidth, viewHeight);
    list.show();
    if (!QTest::qWaitForWindowExposed(&list))
        qFatal("the list was not shown");
    QTest::qWait(200);
    workspace.model->loadBoards(true);
    QCoro::waitFor(workspace.model->selectBoard(boardId));
    QTest::qWait(200);
    if (workspace.model->selectedBoard().id != boardId || !list.liveItems().isEmpty())
        qFatal("the cloud board is not shown");

    Heartbeat heartbeat;
    QElapsedTimer timer;
    timer.start();
    heartbeat.start();
    const bool synced = QCoro::waitFor(workspace.model->syncBoard(board, false));
    // The list's own turn after the last step, and a frame of it.
    QCoreApplication::processEvents();
    paintView(list.scrollArea()->viewport());
    const double stall = heartbeat.stop();
    const double total = msSince(timer);
    const std::optional<Board> after = workspace.model->findBoard(boardId);
    if (!synced || !after || after->items.size() != count || list.liveItems().isEmpty() || list.cards().isEmpty())
        qFatal("the sync did not bring the %d items to the list", count);
    std::printf("sync_ms %.1f\nstall_ms %.1f\n", total, stall);
    std::fflush(stdout);
    std::_Exit(0);
}

QHash<QString, double> runChild(int count, const QString& mode = QStringLiteral("--scroll"))
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {mode, QString::number(count)});
    if (!child.waitForFinished(900000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        qFatal("measuring %d items failed", count);
    return readMeasurements(child.readAllStandardOutput());
}

double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').first().toDouble() : -1;
}

int drive()
{
    std::printf(
        "| Items | Frames | p50 | p99 | max | CPU p50 / p99 / max | plain p50 | p50 ratio | memory growth "
        "| most card widgets | load average |\n|---|---|---|---|---|---|---|---|---|---|---|\n");
    QHash<int, QHash<QString, double>> results;
    for (int count : sizes) {
        const double loadBefore = loadAverage();
        const QHash<QString, double> row = runChild(count);
        results.insert(count, row);
        const double plainP50 = row.value(QStringLiteral("plain_p50"));
        std::printf("| %d | %.0f | %.2f ms | %.2f ms | %.2f ms | %.2f / %.2f / %.2f ms | %.2f ms | %.1fx "
                    "| %.1f MB (most %.1f MB) | %.0f | %.1f–%.1f |\n",
            count, row.value(QStringLiteral("frames")), row.value(QStringLiteral("p50")),
            row.value(QStringLiteral("p99")), row.value(QStringLiteral("max")),
            row.value(QStringLiteral("cpu_p50")), row.value(QStringLiteral("cpu_p99")),
            row.value(QStringLiteral("cpu_max")), plainP50,
            plainP50 > 0 ? row.value(QStringLiteral("p50")) / plainP50 : 0,
            row.value(QStringLiteral("rss_end")) - row.value(QStringLiteral("rss_start")),
            row.value(QStringLiteral("rss_most")) - row.value(QStringLiteral("rss_start")),
            row.value(QStringLiteral("cards_most")), loadBefore, loadAverage());
        std::fflush(stdout);
    }
    const auto growth = [&](int from, int to, const char* key) {
        const double base = results.value(from).value(QString::fromLatin1(key));
        return base > 0 ? results.value(to).value(QString::fromLatin1(key)) / base : 0;
    };
    std::printf("\np99 growth 1,000 -> 10,000: %.2fx, 10,000 -> 20,000: %.2fx\n", growth(1000, 10000, "p99"),
        growth(10000, 20000, "p99"));
    std::printf("CPU p99 growth 1,000 -> 10,000: %.2fx, 10,000 -> 20,000: %.2fx\n",
        growth(1000, 10000, "cpu_p99"), growth(10000, 20000, "cpu_p99"));
    std::printf("p50 growth 1,000 -> 10,000: %.2fx, 10,000 -> 20,000: %.2fx\n", growth(1000, 10000, "p50"),
        growth(10000, 20000, "p50"));

    std::printf("\n| Items | One item changed, view updated and painted: p50 | max |\n|---|---|---|\n");
    for (int count : updateSizes) {
        const QHash<QString, double> row = runChild(count, QStringLiteral("--update"));
        std::printf("| %d | %.2f ms | %.2f ms |\n", count, row.value(QStringLiteral("update_p50")),
            row.value(QStringLiteral("update_max")));
        std::fflush(stdout);
    }

    std::printf("\n| Items | Sync with the list shown | longest stall of the window's thread | load average |\n"
                "|---|---|---|---|\n");
    for (int count : syncSizes) {
        const double loadBefore = loadAverage();
        const QHash<QString, double> row = runChild(count, QStringLiteral("--sync"));
        std::printf("| %d | %.0f ms | %.1f ms | %.1f–%.1f |\n", count, row.value(QStringLiteral("sync_ms")),
            row.value(QStringLiteral("stall_ms")), loadBefore, loadAverage());
        std::fflush(stdout);
    }
    return 0;
}
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--scroll") == 0) {
        QApplication app(argc, argv);
        return runScroll(QString::fromLatin1(argv[2]).toInt());
    }
    if (argc == 3 && std::strcmp(argv[1], "--update") == 0) {
        QApplication app(argc, argv);
        return runUpdate(QString::fromLatin1(argv[2]).toInt());
    }
    if (argc == 3 && std::strcmp(argv[1], "--sync") == 0) {
        QApplication app(argc, argv);
        return runSync(QString::fromLatin1(argv[2]).toInt());
    }
    QCoreApplication app(argc, argv);
    return drive();
}
