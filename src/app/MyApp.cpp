#include "app/MyApp.h"

#include "analytics/UsageAnalytics.h"
#include "app/AppCommands.h"
#include "app/BoardEditorShortcutMonitor.h"
#include "app/NotificationCenter.h"
#include "store/StoreContainer.h"

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
    UsageAnalytics::shared().initialize();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_shortcutMonitor = std::make_unique<BoardEditorShortcutMonitor>(center);

    m_mainWindow = std::make_unique<QMainWindow>();
    m_mainWindow->setObjectName(QStringLiteral("mainWindow"));
    m_mainWindow->setWindowTitle(QStringLiteral("Plenko"));
    m_mainWindow->resize(880, 680);

    AppCommands::Hooks hooks;
    hooks.refreshAllRequested = [] {
        UsageAnalytics::shared().track(UsageEvent::boardRefreshRequested,
            QJsonObject { { QStringLiteral("source"), QStringLiteral("command_menu") } });
    };
    m_commands = new AppCommands(*m_mainWindow->menuBar(), center, std::move(hooks), this);
}

MyApp::~MyApp() = default;

void MyApp::showMainWindow()
{
    m_mainWindow->show();
}
