#include "app/MyApp.h"

#include "analytics/UsageAnalytics.h"
#include "app/AppCommands.h"
#include "app/AppearanceController.h"
#include "app/BoardEditorShortcutMonitor.h"
#include "app/ContentView.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "app/WindowChromeManager.h"
#include "net/NetworkService.h"
#include "session/AuthState.h"
#include "store/LocalStore.h"
#include "store/StoreContainer.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

#include <QCoro/QCoroTask>

#include <QApplication>
#include <QJsonObject>
#include <QMainWindow>
#include <QMenuBar>

std::expected<std::unique_ptr<MyApp>, MyApp::StartupFailure> MyApp::create()
{
    auto store = StoreContainer::open();
    if (!store)
        return std::unexpected(StartupFailure { store.error().message });
    return create(std::move(*store));
}

std::expected<std::unique_ptr<MyApp>, MyApp::StartupFailure> MyApp::create(std::unique_ptr<StoreContext> store)
{
    return std::unique_ptr<MyApp>(new MyApp(std::move(store)));
}

MyApp::MyApp(std::unique_ptr<StoreContext> store)
    : m_modelContainer(std::move(store))
{
    // The window chrome and the one dark look are in place before any window exists.
    WindowChromeManager::shared().install();
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
        Palette::applyTo(*application);
    AppearanceController::shared();
    UsageAnalytics::shared().initialize();

    NetworkService& api = NetworkService::shared();
    // The one start-up wait: whether the user is signed in decides what the first window shows.
    QCoro::waitFor(api.loadTokens());
    m_auth = std::make_unique<AuthState>(api, UsageAnalytics::shared(), ToastManager::shared());
    m_boardViewModel = std::make_unique<BoardViewModel>(BoardViewModel::Services {
        *m_modelContainer, api, LocalStore::shared(), ToastManager::shared(), UsageAnalytics::shared() });

    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_shortcutMonitor = std::make_unique<BoardEditorShortcutMonitor>(center);

    m_mainWindow = std::make_unique<QMainWindow>();
    m_mainWindow->setObjectName(QStringLiteral("mainWindow"));
    m_mainWindow->setWindowTitle(QStringLiteral("Plenko"));
    m_mainWindow->resize(880, 680);
    m_mainWindow->setCentralWidget(new ContentView(ViewContext { *m_boardViewModel, LocalStore::shared(),
        ToastManager::shared(), center, api, m_auth.get() }));

    AppCommands::Hooks hooks;
    hooks.refreshAllRequested = [] {
        UsageAnalytics::shared().track(UsageEvent::boardRefreshRequested,
            QJsonObject { { QStringLiteral("source"), QStringLiteral("command_menu") } });
    };
    m_commands = new AppCommands(*m_mainWindow->menuBar(), center, std::move(hooks), this);
    m_commands->setSignedIn(m_auth->isLoggedIn());
    connect(m_auth.get(), &AuthState::isLoggedInChanged, m_commands, &AppCommands::setSignedIn);
}

MyApp::~MyApp()
{
    // Windows go first: they read the state objects until they close.
    m_mainWindow.reset();
}

void MyApp::showMainWindow()
{
    m_mainWindow->show();
}

void MyApp::openUrl(const QUrl& url)
{
    m_auth->handleCallback(url);
}

void MyApp::activate()
{
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}
