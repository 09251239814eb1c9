// Times the application's cold start and measures its memory, then the search field per keystroke.
// Without arguments it prepares the data and runs each measure in a fresh process of itself, under
// the offscreen platform with temporary HOME and XDG folders, signed out (no session bus, so no
// keyring answers) and with every service address on a closed port of 127.0.0.1:
//   start:  stores of 50 boards with 1,000, 10,000 and 100,000 items (and none, the baseline); the
//           last selected board (a fifth of the items) comes back. From opening the store to the
//           first paint of the main window after its content started, then resident memory once the
//           board's list has settled.
//   search: a store of one board with 100,000 items, an assignee filter set, a word typed into the
//           search field key by key; each key's time, the filter function alone over the items, and
//           a plain substring pass over the same items (the baseline).
// `bench_app SEARCH_ITEMS START_ITEMS...` runs other sizes; `bench_app prepare DIR ITEMS` only writes
// one start store into DIR and prints the arguments that time a start over it (for a profiler).
#include "BenchBoards.h"
#include "BenchClock.h"
#include "BenchProcess.h"

#include "app/BoardContentView.h"
#include "app/ContentView.h"
#include "app/ItemFilter.h"
#include "app/MainContentView.h"
#include "app/MyApp.h"
#include "domain/Log.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
using namespace BenchClock;

constexpr int startRuns = 7;
constexpr int searchRuns = 3;
const QString searchWord = QStringLiteral("release");

double minimum(const QList<double>& values)
{
    return values.isEmpty() ? 0 : *std::min_element(values.cbegin(), values.cend());
}

// Notes the paint events of the window and of everything in it.
class PaintWatch : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

void setUpApplication()
{
    QApplication::setOrganizationName(QStringLiteral("net.plenko"));
    QApplication::setApplicationName(QStringLiteral("Plenko"));
}

struct Started
{
    std::unique_ptr<MyApp> app;
    ContentView* content = nullptr;
    double ms = 0;
    double cpuMs = 0;
    bool startedInShow = false;
    double createdMs = 0; // store opened and MyApp made
    double shownMs = 0; // showMainWindow returned (the content's start runs inside it)
    // A large restored board shows its first page and reads the rest on a worker thread: when the
    // rest was taken, from opening the store (negative while it has not been).
    std::shared_ptr<double> wholeMs = std::make_shared<double>(-1);
};

// From opening the store to the first paint after the content view has started.
Started startApplication(const QString& storeFile)
{
    Started result;
    PaintWatch watch;
    QElapsedTimer timer;
    const double cpuStart = threadCpuMs();
    timer.start();
    auto store = StoreContext::open(storeFile);
    if (!store)
        qFatal("store: %s", qPrintable(store.error().message));
    auto created = MyApp::create(std::move(*store));
    if (!created)
        qFatal("start-up failed: %s", qPrintable(created.error().message));
    result.app = std::move(*created);
    QMainWindow* window = result.app->mainWindow();
    window->installEventFilter(&watch);
    result.content = window->findChild<ContentView*>();
    if (!result.content)
        qFatal("no content view in the main window");
    result.content->installEventFilter(&watch);
    result.createdMs = msSince(timer);
    QObject::connect(&result.app->boardViewModel(), &BoardViewModel::restOfBoardRead, window,
        [whole = result.wholeMs, timer] { *whole = msSince(timer); });
    result.app->showMainWindow();
    result.shownMs = msSince(timer);
    // The start normally completes inside show() (signed out, everything is local), before the first
    // expose; should it complete later, a repaint is asked for so the started content is what paints.
    result.startedInShow = result.content->hasStarted();
    int paintsAtStart = result.startedInShow ? watch.paints : -1;
    // Waits for events rather than spinning, so the processor time is the application's own; the
    // timer wakes the wait should nothing else come.
    QTimer guard;
    guard.start(1000);
    while (timer.elapsed() < 30000 && (paintsAtStart < 0 || watch.paints <= paintsAtStart)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (paintsAtStart < 0 && result.content->hasStarted()) {
            paintsAtStart = watch.paints;
            window->update();
        }
    }
    result.ms = msSince(timer);
    result.cpuMs = threadCpuMs() - cpuStart;
    window->removeEventFilter(&watch);
    result.content->removeEventFilter(&watch);
    if (!result.content->hasStarted() || paintsAtStart < 0 || watch.paints <= paintsAtStart)
        qFatal("the main window did not start and paint within 30 s");
    return result;
}

[[noreturn]] int finish();

// Until the selected board holds all its items (at once, or when the rest read apart arrives).
void waitForWholeBoard(const Started& started)
{
    QElapsedTimer waited;
    waited.start();
    while (started.app->boardViewModel().selectedBoard().hasFirstPageOnly() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    if (started.app->boardViewModel().selectedBoard().hasFirstPageOnly())
        qFatal("the rest of the selected board did not arrive within 30 s");
}

int runStart(const QString& storeFile, const QUuid& selected, int boardCount, int selectedItems)
{
    LocalStore::shared().set(std::optional(selected), PreferenceKeys::selectedBoardId());
    const double rssBefore = statusMb("VmRSS");
    Started started = startApplication(storeFile);
    const BoardViewModel& workspace = started.app->boardViewModel();
    const bool firstPage = workspace.selectedBoard().hasFirstPageOnly();
    waitForWholeBoard(started);
    const double wholeMs = firstPage ? *started.wholeMs : started.ms;
    if (workspace.boards().size() != boardCount || workspace.selectedBoard().id != selected
        || workspace.selectedBoard().items.size() != selectedItems)
        qFatal("started with %lld boards, selected %s with %lld items", qlonglong(workspace.boards().size()),
            qPrintable(workspace.selectedBoard().name), qlonglong(workspace.selectedBoard().items.size()));
    // The first pages of cards are made after the first paint (as the list fills the view).
    QTest::qWait(500);
    BoardContentView* list = started.content->mainContent()->content();
    if (selectedItems > 0 && list->cards().isEmpty())
        qFatal("the selected board shows no cards");
    std::printf("started_in_show %d\ncreated %.2f\nshown %.2f\n", started.startedInShow ? 1 : 0,
        started.createdMs, started.shownMs);
    std::printf("start_cpu %.2f\n", started.cpuMs);
    std::printf("whole %.2f\n", wholeMs);
    std::printf("start %.2f\nrss_before %.1f\nrss %.1f\nhwm %.1f\ncards %lld\n", started.ms, rssBefore,
        statusMb("VmRSS"), statusMb("VmHWM"), qlonglong(list->cards().size()));
    return finish();
}

// The figures are out: the process ends here, without the application's teardown, which is not
// what is measured (and must not hold the figures back).
int finish()
{
    std::fflush(stdout);
    std::_Exit(0);
}

// The items of the shown tab that pass both filters, as the list should show them.
qsizetype expectedMatches(const Board& board, ItemStatus status, const QString& search, const AssigneeFilter& filter)
{
    return std::count_if(board.items.cbegin(), board.items.cend(), [&](const Item& item) {
        return !item.isDeleted() && item.status == status && ItemFilter::passes(item, search, filter);
    });
}

int runSearch(const QString& storeFile, const QUuid& selected, int itemCount)
{
    LocalStore::shared().set(std::optional(selected), PreferenceKeys::selectedBoardId());
    Started started = startApplication(storeFile);
    waitForWholeBoard(started);
    const Board board = started.app->boardViewModel().selectedBoard();
    if (board.id != selected || board.items.size() != itemCount)
        qFatal("the %d-item board is not selected", itemCount);
    MainContentView* main = started.content->mainContent();
    AssigneeFilter filter;
    filter.memberId = BenchBoards::members().at(1);
    main->setAssigneeFilter(filter);
    main->openSearch();
    QTest::qWait(100);
    QLineEdit* field = main->searchField();
    BoardContentView* list = main->content();

    QList<double> keys, settled, filterOnly, filterCpu, plainOnly;
    QString typed;
    for (const QChar ch : searchWord) {
        typed += ch;
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(field, ch.toLatin1());
        keys.append(msSince(timer));
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        settled.append(msSince(timer));

        const qsizetype shown = list->liveItems().size() + list->archivedItems().size();
        const qsizetype expected = expectedMatches(board, ItemStatus::todo, typed, filter);
        if (field->text() != typed || shown != expected)
            qFatal("after \"%s\" the list holds %lld items, %lld expected", qPrintable(typed), qlonglong(shown),
                qlonglong(expected));

        // The filter alone over all the board's items, as the list applies it per key: the search
        // text made ready once, then every item tested.
        timer.start();
        const double cpuStart = threadCpuMs();
        qsizetype passed = 0;
        const ItemFilter prepared(typed, filter);
        for (const Item& item : board.items)
            passed += prepared.passes(item) ? 1 : 0;
        filterOnly.append(msSince(timer));
        filterCpu.append(threadCpuMs() - cpuStart);

        // The plain baseline: a case-blind substring test of every item's text, nothing else.
        timer.start();
        qsizetype plain = 0;
        for (const Item& item : board.items)
            plain += item.content.contains(typed, Qt::CaseInsensitive) ? 1 : 0;
        plainOnly.append(msSince(timer));
        if (plain < 0)
            qFatal("unreachable");
        if (passed < shown)
            qFatal("filter count disagrees with the list");
    }
    std::printf("key_median %.3f\nkey_max %.3f\nsettled_median %.3f\nsettled_max %.3f\nfilter_median %.3f\n"
                "filter_max %.3f\nfilter_cpu %.3f\nplain_median %.3f\nshown %lld\n",
        median(keys), *std::max_element(keys.cbegin(), keys.cend()), median(settled),
        *std::max_element(settled.cbegin(), settled.cend()), median(filterOnly),
        *std::max_element(filterOnly.cbegin(), filterOnly.cend()), median(filterCpu), median(plainOnly),
        qlonglong(list->liveItems().size() + list->archivedItems().size()));
    return finish();
}

// ---- the driver ----

QProcessEnvironment childEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* folder : {"", "/.config", "/.local/share", "/.cache", "/runtime"})
        QDir().mkpath(home + QString::fromLatin1(folder));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    for (const char* name : {"PLENKO_API_URL", "PLENKO_CHANGELOG_URL", "PLENKO_APPCAST_URL", "PLENKO_ANALYTICS_URL"})
        env.insert(QString::fromLatin1(name), QStringLiteral("http://127.0.0.1:9"));
    return env;
}

QHash<QString, double> runChild(const QString& home, const QStringList& arguments)
{
    QProcess child;
    child.setProcessEnvironment(childEnvironment(home));
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        qFatal("measuring process failed (%s, exit code %d): %s\n%s",
            child.exitStatus() == QProcess::CrashExit ? "crashed" : "exited", child.exitCode(),
            qPrintable(arguments.join(QLatin1Char(' '))), child.readAllStandardOutput().constData());
    return readMeasurements(child.readAllStandardOutput());
}

QList<double> column(const QList<QHash<QString, double>>& rows, const QString& key)
{
    QList<double> values;
    for (const auto& row : rows)
        values.append(row.value(key));
    return values;
}

constexpr int boardCount = 50;

// A store of 50 boards holding itemCount items, a fifth of them on the first board (the one restored
// at start), written with the application's own store code.
QList<Board> prepareStore(const QString& file, int itemCount, int firstBoardItems)
{
    auto store = StoreContext::open(file);
    if (!store)
        qFatal("store: %s", qPrintable(store.error().message));
    return BenchBoards::fill(**store, boardCount, itemCount, firstBoardItems);
}

struct SizeFigures
{
    int items = 0;
    QList<QHash<QString, double>> starts;
};

double startMedian(const SizeFigures& size, const char* key)
{
    return median(column(size.starts, QString::fromLatin1(key)));
}

// Sizes of the store for the cold start (items in all, a fifth on the restored board; 0 is the
// baseline of the same 50 boards without items), and of the one board the search runs over.
int drive(const QList<int>& sizes, int searchItems)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");

    QList<SizeFigures> figures;
    for (int items : QList<int> {0} + sizes) {
        const QString file = dir.filePath(QStringLiteral("start%1.store").arg(items));
        const int selectedItems = items / 5;
        const QList<Board> boards = prepareStore(file, items, selectedItems);
        SizeFigures size;
        size.items = items;
        for (int run = 0; run < startRuns; ++run) {
            size.starts.append(runChild(dir.filePath(QStringLiteral("home-start%1-%2").arg(items).arg(run)),
                {QStringLiteral("start"), file, boards.first().id.toString(), QString::number(boardCount),
                    QString::number(selectedItems)}));
        }
        figures.append(size);
    }

    const QString searchStore = dir.filePath(QStringLiteral("search.store"));
    QList<Board> searchBoards;
    {
        auto store = StoreContext::open(searchStore);
        if (!store)
            qFatal("store: %s", qPrintable(store.error().message));
        searchBoards = BenchBoards::fill(**store, 1, searchItems, searchItems);
    }
    QList<QHash<QString, double>> searches;
    for (int run = 0; run < searchRuns; ++run) {
        searches.append(runChild(dir.filePath(QStringLiteral("home-search%1").arg(run)),
            {QStringLiteral("search"), searchStore, searchBoards.first().id.toString(), QString::number(searchItems)}));
    }

    std::printf("cold start, %d boards, a fifth of the items on the restored board (median of %d processes)\n",
        boardCount, startRuns);
    std::printf("  %9s  %10s  %8s  %9s  %8s  %9s  %9s  %8s  %12s\n", "items", "start ms", "x empty", "x smaller",
        "cpu ms", "rss MB", "x before", "growth", "all items ms");
    const SizeFigures& empty = figures.first();
    for (qsizetype i = 0; i < figures.size(); ++i) {
        const SizeFigures& size = figures.at(i);
        const double start = startMedian(size, "start");
        const double previous = i > 0 ? startMedian(figures.at(i - 1), "start") : start;
        const double rss = startMedian(size, "rss");
        const double previousRss = i > 0 ? startMedian(figures.at(i - 1), "rss") : rss;
        std::printf("  %9d  %10.1f  %7.2fx  %8.2fx  %8.1f  %9.1f  %8.2fx  %7.2fx  %12.1f\n", size.items, start,
            start / startMedian(empty, "start"), start / previous, startMedian(size, "start_cpu"), rss,
            rss / startMedian(size, "rss_before"), rss / previousRss, startMedian(size, "whole"));
    }
    std::printf("  (best process at the largest size: %.1f ms; store+MyApp::create %.1f ms, showMainWindow %.1f ms)\n",
        minimum(column(figures.last().starts, QStringLiteral("start"))), startMedian(figures.last(), "created"),
        startMedian(figures.last(), "shown") - startMedian(figures.last(), "created"));
    std::printf("search \"%s\" typed key by key, assignee filter set, one board of %d items "
                "(median of %d processes)\n",
        qPrintable(searchWord), searchItems, searchRuns);
    const double plain = median(column(searches, QStringLiteral("plain_median")));
    const double filter = median(column(searches, QStringLiteral("filter_median")));
    std::printf("  plain substring pass over the items (baseline): median %.2f ms\n", plain);
    std::printf("  ItemFilter over the items:          median %.2f ms (%.2fx baseline), worst key %.2f ms\n", filter,
        filter / plain, median(column(searches, QStringLiteral("filter_max"))));
    std::printf("    processor time of one pass:                  median %.2f ms\n",
        median(column(searches, QStringLiteral("filter_cpu"))));
    std::printf("  key press in the search field, list rebuilt: median %.2f ms, worst key %.2f ms\n",
        median(column(searches, QStringLiteral("key_median"))), median(column(searches, QStringLiteral("key_max"))));
    std::printf("  the same until the event queue is empty:      median %.2f ms, worst key %.2f ms\n",
        median(column(searches, QStringLiteral("settled_median"))),
        median(column(searches, QStringLiteral("settled_max"))));
    return 0;
}
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    setUpApplication();
    // The children's figures are read from their standard output, which the log would share.
    setLogSink([](const QString&) {});
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() == 5 && arguments[0] == QLatin1String("start"))
        return runStart(arguments[1], QUuid::fromString(arguments[2]), arguments[3].toInt(), arguments[4].toInt());
    if (arguments.size() == 4 && arguments[0] == QLatin1String("search"))
        return runSearch(arguments[1], QUuid::fromString(arguments[2]), arguments[3].toInt());
    // Writes one start store and prints the arguments that time a start over it, for a profiler.
    if (arguments.size() == 3 && arguments[0] == QLatin1String("prepare")) {
        const QString file = QDir(arguments[1]).filePath(QStringLiteral("start.store"));
        const int items = arguments[2].toInt();
        const QList<Board> boards = prepareStore(file, items, items / 5);
        std::printf("start %s %s %d %d\n", qPrintable(file), qPrintable(boards.first().id.toString()), boardCount,
            items / 5);
        return 0;
    }
    // bench_app [SEARCH_ITEMS START_ITEMS...]
    QList<int> sizes {1000, 10000, 100000};
    int searchItems = 100000;
    if (!arguments.isEmpty()) {
        searchItems = arguments.first().toInt();
        sizes.clear();
        for (const QString& argument : arguments.mid(1))
            sizes.append(argument.toInt());
        if (searchItems <= 0 || sizes.contains(0)) {
            std::fprintf(stderr, "usage: bench_app [SEARCH_ITEMS START_ITEMS...] (the measures run in child processes)\n");
            return 2;
        }
    }
    return drive(sizes, searchItems);
}
