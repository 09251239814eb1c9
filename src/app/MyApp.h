// The composition root: opens the store, starts usage events, owns the long-lived state objects
// that every window shares, and the main window with its menu commands. Lives as long as the process.
#pragma once

#include <QObject>
#include <QPointer>

#include <expected>
#include <memory>

class AppCommands;
class BoardEditorShortcutMonitor;
class QMainWindow;
class StoreContext;

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
    QMainWindow* mainWindow() const { return m_mainWindow.get(); }
    void showMainWindow();

private:
    explicit MyApp(std::unique_ptr<StoreContext> store);

    std::unique_ptr<StoreContext> m_modelContainer;
    std::unique_ptr<BoardEditorShortcutMonitor> m_shortcutMonitor;
    std::unique_ptr<QMainWindow> m_mainWindow;
    AppCommands* m_commands = nullptr;
};
