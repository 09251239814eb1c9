// The composition root: opens the store, starts usage events, owns the long-lived state objects
// that every window shares, and the main window with its menu commands. Lives as long as the process.
#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <expected>
#include <memory>

class AppCommands;
class AutoSync;
class AuthState;
class AuxiliaryWindows;
class BoardEditorShortcutMonitor;
class BoardViewModel;
class ChangeChannel;
class ContentView;
class QMainWindow;
class SessionControls;
class StoreContext;
class SyncStatus;

class MyApp : public QObject
{
    Q_OBJECT

public:
    // The store container failed: the message begins "Unable to set up ".
    struct StartupFailure
    {
        QString message;
    };

    // Opens the store at the default location; on failure nothing else is made.
    static std::expected<std::unique_ptr<MyApp>, StartupFailure> create();
    static std::expected<std::unique_ptr<MyApp>, StartupFailure> create(std::unique_ptr<StoreContext> store);
    ~MyApp() override;

    StoreContext& modelContainer() const { return *m_modelContainer; }
    AuthState& auth() const { return *m_auth; }
    BoardViewModel& boardViewModel() const { return *m_boardViewModel; }
    QMainWindow* mainWindow() const { return m_mainWindow.get(); }
    void showMainWindow();
    // A plenko:// address handed over by a later start (the browser's sign-in callback).
    void openUrl(const QString& address);
    // Another start asked for the window.
    void activate();
    // The board settings, dashboard and account windows, opened by identifier.
    AuxiliaryWindows& windows() const { return *m_windows; }
    SessionControls& session() const { return *m_session; }
    // The Help menu's windows.
    void showAbout();
    void showKeyboardShortcuts();

private:
    explicit MyApp(std::unique_ptr<StoreContext> store);
    void connectContent(ContentView& content);
    // Writes what a failed save left pending; the last chance before the process ends.
    void flushStore();

    std::unique_ptr<StoreContext> m_modelContainer;
    // Long-lived state shared by every window, in the order they come into being.
    std::unique_ptr<AuthState> m_auth;
    std::unique_ptr<BoardViewModel> m_boardViewModel;
    std::unique_ptr<BoardEditorShortcutMonitor> m_shortcutMonitor;
    std::unique_ptr<SyncStatus> m_syncStatus;
    std::unique_ptr<AutoSync> m_autoSync;
    std::unique_ptr<ChangeChannel> m_changeChannel;
    std::unique_ptr<QMainWindow> m_mainWindow;
    SessionControls* m_session = nullptr;
    AuxiliaryWindows* m_windows = nullptr;
    AppCommands* m_commands = nullptr;
    QPointer<QWidget> m_shortcutsWindow;
};
