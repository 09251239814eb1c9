#include "app/MyApp.h"

#include "BundleInfo.h"
#include "analytics/UsageAnalytics.h"
#include "app/AppAccessibility.h"
#include "app/AppCommands.h"
#include "app/EditHistoryActions.h"
#include "app/KeyboardMenus.h"
#include "app/AppearanceController.h"
#include "app/AuxiliaryScenes.h"
#include "app/AuxiliaryWindows.h"
#include "app/BoardEditorShortcutMonitor.h"
#include "app/ContentView.h"
#include "app/KeyboardShortcutsWindow.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "app/SessionControls.h"
#include "app/SyncStatusIndicator.h"
#include "app/TerminationSignals.h"
#include "app/TransferCommands.h"
#include "app/quickcapture/QuickCaptureController.h"
#include "domain/Log.h"
#include "net/ChangeChannel.h"
#include "net/NetworkService.h"
#include "session/AccountDetailsView.h"
#include "session/AuthState.h"
#include "session/ServiceAddressChoice.h"
#include "session/UpdaterViewModel.h"
#include "store/LocalStore.h"
#include "store/StoreContainer.h"
#include "workspace/AutoSync.h"
#include "workspace/BoardViewModel.h"
#include "workspace/LiveUpdates.h"
#include "workspace/SyncStatus.h"
#include "workspace/ToastManager.h"
#include "workspace/settings/BoardSettingsWindow.h"
#include "workspace/undo/ItemHistory.h"

#include <QAction>
#include <QApplication>
#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QNetworkInformation>
#include <QStatusBar>

std::expected<std::unique_ptr<MyApp>, MyApp::StartupFailure> MyApp::create()
{
    auto store = StoreContainer::open();
    if (!store)
        return std::unexpected(StartupFailure {store.error().message});
    return create(std::move(*store));
}

std::expected<std::unique_ptr<MyApp>, MyApp::StartupFailure> MyApp::create(
    std::unique_ptr<StoreContext> store)
{
    return std::unique_ptr<MyApp>(new MyApp(std::move(store)));
}

MyApp::MyApp(std::unique_ptr<StoreContext> store)
    : m_modelContainer(std::move(store))
{
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &MyApp::flushStore);
    new TerminationSignals(this);
    // The one dark look is in place before any window exists; the window manager draws the frames.
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
        Palette::applyTo(*application);
    AppearanceController::shared();
    AppAccessibility::install();
    UsageAnalytics::shared().initialize();

    NetworkService& api = NetworkService::shared();
    ServiceAddressChoice::applyStored(api, LocalStore::shared());
    // The one start-up wait: whether the user is signed in decides what the first window shows.
    QCoro::waitFor(api.loadTokens());
    m_auth = std::make_unique<AuthState>(api, UsageAnalytics::shared(), ToastManager::shared());
    m_boardViewModel = std::make_unique<BoardViewModel>(BoardViewModel::Services {
        *m_modelContainer, api, LocalStore::shared(), ToastManager::shared(), UsageAnalytics::shared()});
    new ItemHistory(*m_boardViewModel, *m_modelContainer, api, ToastManager::shared());

    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_shortcutMonitor = std::make_unique<BoardEditorShortcutMonitor>(center);

    m_session = new SessionControls(
        {api, *m_auth, *m_boardViewModel, LocalStore::shared(), ToastManager::shared(), center}, this);
    m_windows = new AuxiliaryWindows(this);
    AuxiliaryScenes {*m_boardViewModel, *m_auth, ToastManager::shared(),
        [session = m_session] { return session->makeAccountDetails(); }}
        .registerIn(*m_windows);

    m_mainWindow = std::make_unique<QMainWindow>();
    m_mainWindow->setObjectName(QStringLiteral("mainWindow"));
    m_mainWindow->setWindowTitle(QStringLiteral("Plenko"));
    m_mainWindow->resize(880, 680);
    auto* content = new ContentView(ViewContext {
        *m_boardViewModel, LocalStore::shared(), ToastManager::shared(), center, api, m_auth.get()});
    m_mainWindow->setCentralWidget(content);
    connectContent(*content);

    // Cloud boards keep themselves current; the status bar says how that goes.
    m_syncStatus = std::make_unique<SyncStatus>();
    m_autoSync = std::make_unique<AutoSync>(*m_boardViewModel, *m_modelContainer, api, *m_syncStatus);
    QStatusBar* statusBar = m_mainWindow->statusBar();
    statusBar->addPermanentWidget(new SyncStatusIndicator(*m_syncStatus));
    // Without cloud boards there is nothing to report, and no empty strip either.
    statusBar->setVisible(m_syncStatus->hasCloudBoards());
    connect(m_syncStatus.get(), &SyncStatus::changed, statusBar,
        [statusBar, status = m_syncStatus.get()] { statusBar->setVisible(status->hasCloudBoards()); });
    connect(qApp, &QGuiApplication::applicationStateChanged, m_autoSync.get(),
        [autoSync = m_autoSync.get()](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                autoSync->windowActivated();
        });
    // While signed in, the service tells what changed and the boards catch up by themselves.
    m_changeChannel = std::make_unique<ChangeChannel>(api);
    new LiveUpdates(*m_changeChannel, *m_autoSync,
        {[session = m_session] { session->notificationAnnounced(); },
            [session = m_session] { session->endRevokedSession(); }},
        m_autoSync.get());
    const auto followSignIn = [channel = m_changeChannel.get()](bool signedIn) {
        if (signedIn)
            channel->start();
        else
            channel->stop();
    };
    connect(m_auth.get(), &AuthState::isLoggedInChanged, m_changeChannel.get(), followSignIn);
    followSignIn(m_auth->isLoggedIn());
    // Where the system reports its network (NetworkManager), a network that comes back ends the wait
    // for the next retry.
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, m_autoSync.get(),
            [autoSync = m_autoSync.get()](QNetworkInformation::Reachability reachability) {
                if (reachability == QNetworkInformation::Reachability::Online)
                    autoSync->networkReturned();
            });
    }

    AppCommands::Hooks hooks;
    hooks.refreshAllRequested = [] {
        UsageAnalytics::shared().track(UsageEvent::boardRefreshRequested,
            QJsonObject {{QStringLiteral("source"), QStringLiteral("command_menu")}});
    };
    hooks.checkForUpdates = [session = m_session] { (void)session->updater().checkForUpdates(); };
    hooks.showAbout = [this] { showAbout(); };
    hooks.showKeyboardShortcuts = [this] { showKeyboardShortcuts(); };
    m_commands = new AppCommands(*m_mainWindow->menuBar(), center, std::move(hooks), this);
    KeyboardMenus::speakMenuBar(*m_mainWindow);
    m_commands->setSignedIn(m_auth->isLoggedIn());
    connect(m_auth.get(), &AuthState::isLoggedInChanged, m_commands, &AppCommands::setSignedIn);
    new EditHistoryActions(*m_commands, ItemHistory::of(*m_boardViewModel));
    m_session->presentUpdatesOver(m_mainWindow.get());

    auto* transfer = new TransferCommands(
        {*m_modelContainer, LocalStore::shared(), *m_boardViewModel,
            [auth = m_auth.get()] { return auth->isLoggedIn(); }, ToastManager::shared()},
        m_mainWindow.get(), this);
    for (QAction* action : {transfer->importAction(), transfer->exportBoardAction(), transfer->exportAllAction()})
        m_commands->addFileAction(action);

    // Without a system tray the panel opens from the File menu only.
    auto* quickCapture
        = new QuickCaptureController(*m_boardViewModel, QPointer<AuthState>(m_auth.get()), this);
    m_commands->addFileAction(quickCapture->action());
}

void MyApp::connectContent(ContentView& content)
{
    connect(&content, &ContentView::closeAuxiliaryWindowsRequested, m_windows, &AuxiliaryWindows::closeAll);
    connect(&content, &ContentView::windowRequested, m_windows,
        [windows = m_windows](
            const QString& identifier, const QString& value) { windows->open(identifier, value); });
    connect(&content, &ContentView::notificationsRequested, m_session, &SessionControls::showNotifications);
    connect(&content, &ContentView::changelogRequested, m_session, &SessionControls::showChangelog);
    connect(&content, &ContentView::feedbackRequested, m_session,
        [this] { m_session->showFeedback(m_mainWindow.get()); });
    connect(
        m_session, &SessionControls::auxiliaryWindowsCloseRequested, m_windows, &AuxiliaryWindows::closeAll);
    // The notification already selected the board the settings are for.
    connect(m_session, &SessionControls::boardSettingsRequested, m_windows,
        [windows = m_windows](
            const QUuid&, const QString& tab) { windows->open(BoardSettingsWindow::identifier(), tab); });
    QPointer<ContentView> view(&content);
    content.setAccountControl(m_session->makeAccountButton(
        [view] {
            if (view)
                view->openWindow(AccountDetailsView::windowIdentifier);
        },
        &content));
}

MyApp::~MyApp()
{
    // No event reaches the session controls once they are gone.
    m_changeChannel.reset();
    // Windows go first: they read the state objects until they close.
    m_windows->closeAll();
    m_mainWindow.reset();
    delete m_session;
    m_session = nullptr;
    flushStore();
}

void MyApp::flushStore()
{
    if (!m_modelContainer->hasChanges())
        return;
    if (auto saved = m_modelContainer->save(); !saved)
        logLine(QStringLiteral("💾 The last changes could not be saved before quitting: ")
            + saved.error().message);
}

void MyApp::showAbout()
{
    auto* about = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Plenko"),
        QStringLiteral("Plenko %1 (%2)").arg(QString::fromLatin1(BundleInfo::shortVersion),
            QString::fromLatin1(BundleInfo::build)),
        QMessageBox::Ok, m_mainWindow.get());
    about->setObjectName(QStringLiteral("aboutPlenko"));
    about->setInformativeText(QStringLiteral("Short markdown items on boards, kept on this computer or shared "
                                             "through the cloud."));
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

void MyApp::showKeyboardShortcuts()
{
    if (!m_shortcutsWindow)
        m_shortcutsWindow = new KeyboardShortcutsWindow(m_mainWindow.get());
    m_shortcutsWindow->show();
    m_shortcutsWindow->raise();
    m_shortcutsWindow->activateWindow();
}

void MyApp::showMainWindow()
{
    m_mainWindow->show();
}

void MyApp::openUrl(const QString& address)
{
    m_auth->handleCallback(address);
}

void MyApp::activate()
{
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}
