// Times the application's cold start and measures its memory, then the search field per keystroke.
// Without arguments it prepares the data and runs each measure in a fresh process of itself, under
// the offscreen platform with temporary HOME and XDG folders, signed out (no session bus, so no
// keyring answers) and with every service address on a closed port of 127.0.0.1:
//   start:  a store of 50 boards with 10,000 items; the last selected board (2,000 items) comes back.
//           From opening the store to the first paint of the main window after its content started,
//           then resident memory once the board's list has settled.
//   search: a store of one board with 10,000 items, an assignee filter set, a word typed into the
//           search field key by key; each key's time, and the filter function alone over the items.
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

int runStart(const QString& storeFile, const QUuid& selected, int boardCount, int selectedItems)
{
    LocalStore::shared().set(std::optional(selected), PreferenceKeys::selectedBoardId());
    const double rssBefore = statusMb("VmRSS");
    Started started = startApplication(storeFile);
    const BoardViewModel& workspace = started.app->boardViewModel();
    if (workspace.boards().size() != boardCount || workspace.selectedBoard().id != selected
        || workspace.selectedBoard().items.size() != selectedItems)
        qFatal("started with %lld boards, selected %s with %lld items", qlonglong(workspace.boards().size()),
            qPrintable(workspace.selectedBoard().name), qlonglong(workspace.selectedBoard().items.size()));
    // The first pages of cards are made after the first paint (as the list fills the view).
    QTest::qWait(500);
    BoardContentView* list = started.content->mainContent()->content();
    if (list->cards().isEmpty())
        qFatal("the selected board shows no cards");
    std::printf("started_in_show %d\ncreated %.2f\nshown %.2f\n", started.startedInShow ? 1 : 0,
        started.createdMs, started.shownMs);
    std::printf("start_cpu %.2f\n", started.cpuMs);
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

int runSearch(const QString& storeFile, const QUuid& selected)
{
    LocalStore::shared().set(std::optional(selected), PreferenceKeys::selectedBoardId());
    Started started = startApplication(storeFile);
    const Board board = started.app->boardViewModel().selectedBoard();
    if (board.id != selected || board.items.size() != 10000)
        qFatal("the 10,000-item board is not selected");
    MainContentView* main = started.content->mainContent();
    AssigneeFilter filter;
    filter.memberId = BenchBoards::members().at(1);
    main->setAssigneeFilter(filter);
    main->openSearch();
    QTest::qWait(100);
    QLineEdit* field = main->searchField();
    BoardContentView* list = main->content();

    QList<double> keys, settled, filterOnly, filterCpu;
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
        if (passed < shown)
            qFatal("filter count disagrees with the list");
    }
    std::printf("key_median %.3f\nkey_max %.3f\nsettled_median %.3f\nsettled_max %.3f\nfilter_median %.3f\n"
                "filter_max %.3f\nfilter_cpu %.3f\nshown %lld\n",
        median(keys), *std::max_element(keys.cbegin(), keys.cend()), median(settled),
        *std::max_element(settled.cbegin(), settled.cend()), median(filterOnly),
        *std::max_element(filterOnly.cbegin(), filterOnly.cend()), median(filterCpu),
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

struct Prepared
{
    QString startStore;
    QList<Board> boards;
    QString searchStore;
    QList<Board> searchBoards;
};

constexpr int boardCount = 50;
constexpr int firstBoardItems = 2000;

// The two stores, written with the application's own store code.
Prepared prepare(const QDir& dir)
{
    Prepared data;
    data.startStore = dir.filePath(QStringLiteral("start.store"));
    {
        auto store = StoreContext::open(data.startStore);
        if (!store)
            qFatal("store: %s", qPrintable(store.error().message));
        data.boards = BenchBoards::fill(**store, boardCount, 10000, firstBoardItems);
    }
    data.searchStore = dir.filePath(QStringLiteral("search.store"));
    {
        auto store = StoreContext::open(data.searchStore);
        if (!store)
            qFatal("store: %s", qPrintable(store.error().message));
        data.searchBoards = BenchBoards::fill(**store, 1, 10000, 10000);
    }
    return data;
}

int drive()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    const Prepared data = prepare(QDir(dir.path()));
    const QString& startStore = data.startStore;
    const QList<Board>& boards = data.boards;
    const QString& searchStore = data.searchStore;
    const QList<Board>& searchBoards = data.searchBoards;

    QList<QHash<QString, double>> starts;
    for (int run = 0; run < startRuns; ++run) {
        starts.append(runChild(dir.filePath(QStringLiteral("home-start%1").arg(run)),
            {QStringLiteral("start"), startStore, boards.first().id.toString(), QString::number(boardCount),
                QString::number(firstBoardItems)}));
    }
    QList<QHash<QString, double>> searches;
    for (int run = 0; run < searchRuns; ++run) {
        searches.append(runChild(dir.filePath(QStringLiteral("home-search%1").arg(run)),
            {QStringLiteral("search"), searchStore, searchBoards.first().id.toString()}));
    }

    std::printf("cold start, %d boards / 10,000 items, %d-item board restored (median of %d processes)\n",
        boardCount, firstBoardItems, startRuns);
    std::printf("  store opened -> main window painted:    %8.1f ms  (best %.1f ms; target <= 400 ms)\n",
        median(column(starts, QStringLiteral("start"))),
        minimum(column(starts, QStringLiteral("start"))));
    std::printf("    processor time of the UI thread:         %6.1f ms\n", median(column(starts, QStringLiteral("start_cpu"))));
    std::printf("    of which store opened and MyApp::create: %6.1f ms, showMainWindow (content start): %.1f ms\n",
        median(column(starts, QStringLiteral("created"))),
        median(column(starts, QStringLiteral("shown"))) - median(column(starts, QStringLiteral("created"))));
    std::printf("  resident memory before start:           %8.1f MB\n", median(column(starts, QStringLiteral("rss_before"))));
    std::printf("  resident memory, board shown:           %8.1f MB  (peak %.1f MB; target <= 120 MB; %g cards made)\n",
        median(column(starts, QStringLiteral("rss"))), median(column(starts, QStringLiteral("hwm"))),
        median(column(starts, QStringLiteral("cards"))));
    std::printf("  start completed inside show() in %g of %d runs\n",
        [&] { double n = 0; for (double v : column(starts, QStringLiteral("started_in_show"))) n += v; return n; }(), startRuns);
    std::printf("search \"%s\" typed key by key, assignee filter set, one board of 10,000 items "
                "(median of %d processes)\n",
        qPrintable(searchWord), searchRuns);
    std::printf("  ItemFilter over the 10,000 items:          median %.2f ms, worst key %.2f ms (target <= 5 ms)\n",
        median(column(searches, QStringLiteral("filter_median"))), median(column(searches, QStringLiteral("filter_max"))));
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
    if (arguments.size() == 3 && arguments[0] == QLatin1String("search"))
        return runSearch(arguments[1], QUuid::fromString(arguments[2]));
    if (arguments.size() == 2 && arguments[0] == QLatin1String("prepare")) {
        // For profiling one measure by hand: the stores and the arguments of each measure.
        const Prepared data = prepare(QDir(arguments[1]));
        std::printf("start %s %s %d %d\nsearch %s %s\n", qPrintable(data.startStore),
            qPrintable(data.boards.first().id.toString()), boardCount, firstBoardItems,
            qPrintable(data.searchStore), qPrintable(data.searchBoards.first().id.toString()));
        return 0;
    }
    if (!arguments.isEmpty()) {
        std::fprintf(stderr, "usage: bench_app [prepare FOLDER] (the measures run in child processes)\n");
        return 2;
    }
    return drive();
}
