// Renders the main window and every window it opens over a demo data set into PNG files, on any Qt
// platform (in scripts/screenshots.sh: an X server with a window manager, so the pictures show the
// desktop's own window frames; offscreen without one). The cloud side comes from a real plenko-devserver
// with its data in memory, signed in as the demo user.
// Usage: plenko-screenshots <output folder> [devserver binary]
#include "DemoData.h"
#include "DemoService.h"
#include "analytics/UsageAnalytics.h"
#include "app/AuxiliaryScenes.h"
#include "app/AuxiliaryWindows.h"
#include "app/BoardContentView.h"
#include "app/ContentView.h"
#include "app/ItemCardView.h"
#include "app/MainContentView.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "app/RailButton.h"
#include "app/RailView.h"
#include "app/SessionControls.h"
#include "app/ViewContext.h"
#include "app/quickcapture/QuickCaptureComposer.h"
#include "app/quickcapture/QuickCaptureController.h"
#include "app/sidebar/SidebarView.h"
#include "insights/BoardDashboardWindow.h"
#include "net/MemoryTokenStore.h"
#include "net/NetworkService.h"
#include "session/AccountDetailsView.h"
#include "session/AuthState.h"
#include "session/ChangelogViewModel.h"
#include "session/NotificationViewModel.h"
#include "session/SignInView.h"
#include "session/UpdaterViewModel.h"
#include "session/UserViewModel.h"
#include "store/LocalStore.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"
#include "workspace/settings/BoardSettingsWindow.h"
#include "workspace/undo/ItemHistory.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdio>

namespace {
class Shots
{
public:
    explicit Shots(const QDir& out)
        : m_out(out)
    {
    }

    void save(QWidget* window, const QString& name)
    {
        if (!window) {
            std::printf("nothing to show for %s\n", qPrintable(name));
            m_ok = false;
            return;
        }
        QApplication::processEvents();
        QTest::qWait(400);
        const QString path = m_out.filePath(name + QStringLiteral(".png"));
        const bool saved = picture(window).save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        m_ok = saved && m_ok;
    }

    // On a real display the picture is taken from the screen, so the window manager's frame and
    // title bar are in it; offscreen there is only the window's own content.
    static QPixmap picture(QWidget* window)
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !window->isWindow() || !window->screen())
            return window->grab();
        const QRect frame = window->frameGeometry();
        return window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    }

    // Waits (bounded) for something loaded in the background; a picture without it is a failure.
    void waitFor(const std::function<bool()>& condition, const char* what)
    {
        if (!QTest::qWaitFor(condition, 10000)) {
            std::printf("gave up waiting for %s\n", what);
            m_ok = false;
        }
    }

    bool ok() const { return m_ok; }

private:
    QDir m_out;
    bool m_ok = true;
};

std::optional<QUuid> boardNamed(const BoardViewModel& workspace, const QString& name)
{
    for (const Board& board : workspace.boards()) {
        if (board.name == name)
            return board.id;
    }
    return std::nullopt;
}

int cloudBoardCount(const BoardViewModel& workspace)
{
    int count = 0;
    for (const Board& board : workspace.boards())
        count += board.syncWithServer ? 1 : 0;
    return count;
}

void clearToasts(ToastManager& toasts)
{
    toasts.setToast(std::nullopt);
    toasts.setShowing(false);
}

void closeModal()
{
    if (QWidget* dialog = QApplication::activeModalWidget())
        dialog->close();
}

QString devserverProgram(int argc, char* argv[])
{
    if (argc > 2)
        return QString::fromLocal8Bit(argv[2]);
    if (const QString configured = qEnvironmentVariable("PLENKO_DEVSERVER"); !configured.isEmpty())
        return configured;
    return QString::fromUtf8(PLENKO_DEVSERVER_PATH);
}
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: plenko-screenshots <output folder> [devserver binary]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.absolutePath())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    DemoService service;
    if (!service.start(devserverProgram(argc, argv))) {
        std::fprintf(stderr, "devserver: %s\n", qPrintable(service.error()));
        return 1;
    }
    const auto dana = service.account(QStringLiteral("dana@plenko.net"), QStringLiteral("Dana Reyes"));
    const auto sam = service.account(QStringLiteral("sam@plenko.net"), QStringLiteral("Sam Okafor"));
    const auto lee = service.account(QStringLiteral("lee@plenko.net"), QStringLiteral("Lee Park"));
    if (!dana || !sam || !lee || !DemoData::fillService(service, *dana, *sam, *lee)) {
        std::fprintf(stderr, "devserver: %s\n", qPrintable(service.error()));
        return 1;
    }
    // Nothing is fetched from outside: the changelog and the update feed come from the devserver too.
    qputenv(ChangelogViewModel::urlEnvironmentVariable, (service.baseUrl() + QStringLiteral("/changelog.json")).toUtf8());
    qputenv(UpdaterViewModel::urlEnvironmentVariable, (service.baseUrl() + QStringLiteral("/appcast.json")).toUtf8());

    Palette::applyTo(application);

    QTemporaryDir dir;
    auto store = StoreContext::open(dir.filePath(QStringLiteral("default.store")));
    if (!store) {
        std::fprintf(stderr, "store: %s\n", qPrintable(store.error().message));
        return 1;
    }
    LocalStore preferences(dir.filePath(QStringLiteral("preferences.ini")));
    ToastManager toasts;
    AnalyticsSettings settings; // no token: usage events stay off
    settings.queueDirectory = dir.filePath(QStringLiteral("analytics"));
    UsageAnalytics analytics(settings);
    auto tokens = std::make_shared<MemoryTokenStore>();
    QCoro::waitFor(tokens->save(NetworkService::accessTokenAccount, dana->accessToken));
    QCoro::waitFor(tokens->save(NetworkService::refreshTokenAccount, dana->refreshToken));
    NetworkService api(service.baseUrl(), tokens);
    QCoro::waitFor(api.loadTokens());
    AuthState auth(api, analytics, toasts, [](const QUrl&) { return false; });
    BoardViewModel workspace(BoardViewModel::Services {**store, api, preferences, toasts, analytics});
    new ItemHistory(workspace, **store, api, toasts);
    NotificationCenter center;

    DemoData::fill(workspace);
    const QUuid historyId = DemoData::addHistoryBoard(workspace);
    QCoro::waitFor(workspace.selectBoard(*boardNamed(workspace, QStringLiteral("Product Launch"))));

    // The same wiring as the application's: the session controls and the auxiliary windows.
    SessionControls session({api, auth, workspace, preferences, toasts, center});
    AuxiliaryWindows windows;
    AuxiliaryScenes {workspace, auth, toasts, [&session] { return session.makeAccountDetails(); }}.registerIn(
        windows);
    QuickCaptureController quickCapture(workspace, QPointer<AuthState>(&auth));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Plenko"));
    window.resize(1200, 760);
    auto* content = new ContentView(ViewContext {workspace, preferences, toasts, center, api, &auth});
    window.setCentralWidget(content);
    QPointer<QWidget> popover;
    QObject::connect(content, &ContentView::closeAuxiliaryWindowsRequested, &windows, &AuxiliaryWindows::closeAll);
    QObject::connect(content, &ContentView::windowRequested, &windows,
        [&windows](const QString& identifier, const QString& value) { windows.open(identifier, value); });
    QObject::connect(content, &ContentView::notificationsRequested, &session,
        [&](QWidget* anchor) { popover = session.showNotifications(anchor); });
    QObject::connect(content, &ContentView::changelogRequested, &session,
        [&](QWidget* anchor) { popover = session.showChangelog(anchor); });
    QObject::connect(content, &ContentView::feedbackRequested, &session,
        [&] { popover = session.showFeedback(&window); });
    content->setAccountControl(session.makeAccountButton(
        [content] { content->openWindow(AccountDetailsView::windowIdentifier); }, content));
    window.show();
    QCoro::waitFor(content->start());

    Shots shots(out);
    shots.waitFor([&] { return cloudBoardCount(workspace) >= 3; }, "the cloud boards");
    shots.waitFor([&] { return session.profile().user().has_value(); }, "the profile");
    // Their items too, for the overview and the notification rows.
    QCoro::waitFor(workspace.syncAllCloudBoards(true));
    workspace.setQuickCaptureBoard(workspace.findBoard(*boardNamed(workspace, QStringLiteral("Team Roadmap"))));
    DemoData::addDividers(content->sidebar()->layoutController());
    DemoData::addMembers(workspace);
    clearToasts(toasts);

    shots.save(&window, QStringLiteral("main-window"));

    MainContentView* main = content->mainContent();
    main->setCurrentView(ViewMode::done);
    main->content()->setArchivedExpanded(true);
    toasts.showSuccess(QStringLiteral("Item archived"));
    shots.save(&window, QStringLiteral("done-archived-toast"));
    clearToasts(toasts);

    main->setCurrentView(ViewMode::todo);
    main->toggleBoardInfo();
    const QList<ItemCardView*> cards = main->content()->cards();
    if (cards.size() >= 3) {
        cards.at(0)->trigger(ItemCardAction::toggleDetails);
        cards.at(2)->trigger(ItemCardAction::edit);
    }
    main->openSearch();
    shots.save(&window, QStringLiteral("details-and-editing"));
    main->toggleBoardInfo();

    // The rail's Reports: every board at a glance.
    content->rail()->button(QStringLiteral("railReports"))->click();
    shots.save(&window, QStringLiteral("boards-overview"));
    content->rail()->button(QStringLiteral("railBoards"))->click();

    // Board settings of the shared cloud board, one picture per tab.
    QCoro::waitFor(workspace.selectBoard(*boardNamed(workspace, QStringLiteral("Team Roadmap"))));
    content->openWindow(BoardSettingsWindow::identifier());
    auto* boardSettings = qobject_cast<BoardSettingsWindow*>(windows.window(BoardSettingsWindow::identifier()));
    if (boardSettings) {
        shots.save(boardSettings, QStringLiteral("board-settings-general"));
        boardSettings->setSelectedTab(BoardSettingsTab::users);
        shots.waitFor([&] { return workspace.selectedBoard().users.size() >= 3; }, "the board's members");
        shots.save(boardSettings, QStringLiteral("board-settings-users"));
        boardSettings->setSelectedTab(BoardSettingsTab::advanced);
        shots.save(boardSettings, QStringLiteral("board-settings-advanced"));
    } else {
        shots.save(nullptr, QStringLiteral("board-settings-general"));
    }
    windows.closeAll();

    // The dashboard of the board with two years of history.
    QCoro::waitFor(workspace.selectBoard(historyId));
    main->dashboardButton()->click();
    shots.save(windows.window(QString::fromLatin1(BoardDashboardWindow::identifier)), QStringLiteral("board-dashboard"));
    windows.closeAll();
    QCoro::waitFor(workspace.selectBoard(*boardNamed(workspace, QStringLiteral("Product Launch"))));
    DemoData::addMembers(workspace);

    shots.save(content->sidebar()->openNewBoardDialog(), QStringLiteral("new-board-dialog"));
    closeModal();
    shots.save(content->sidebar()->openJoinBoardDialog(), QStringLiteral("join-board-dialog"));
    closeModal();

    quickCapture.showPanel();
    if (QuickCaptureComposer* composer = quickCapture.composer())
        composer->setDraft(QStringLiteral("Call the printer about the launch flyers tomorrow"));
    shots.save(quickCapture.panel(), QStringLiteral("quick-capture"));
    if (QWidget* panel = quickCapture.panel())
        panel->hide();

    shots.waitFor([&] { return session.notifications().feed().items.size() >= 3; }, "the notifications");
    content->rail()->button(QStringLiteral("railNotifications"))->click();
    shots.save(popover, QStringLiteral("notifications"));
    if (popover)
        popover->close();

    content->rail()->button(QStringLiteral("railChangelog"))->click();
    shots.save(popover, QStringLiteral("changelog"));
    if (popover)
        popover->close();

    content->rail()->button(QStringLiteral("railFeedback"))->click();
    shots.save(popover, QStringLiteral("feedback-dialog"));
    if (popover)
        popover->close();

    content->openWindow(AccountDetailsView::windowIdentifier);
    shots.save(windows.window(AccountDetailsView::windowIdentifier), QStringLiteral("account-details"));
    windows.closeAll();

    SignInView signIn(api, preferences, content->window());
    signIn.show();
    shots.save(&signIn, QStringLiteral("sign-in"));
    signIn.close();
    return shots.ok() ? 0 : 1;
}
