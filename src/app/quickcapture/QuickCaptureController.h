// Where quick capture lives in the desktop: a tray icon ("Quick Capture") whose click opens the
// composer panel, and an action for the main window's menu that opens the same panel. Without a
// system tray only the action exists.
#pragma once

#include <QObject>
#include <QPointer>

class AuthState;
class BoardViewModel;
class QAction;
class QSystemTrayIcon;
class QuickCaptureComposer;
class QWidget;

class QuickCaptureController : public QObject
{
    Q_OBJECT

public:
    static QString helpText() { return QStringLiteral("Quick Capture"); }

    QuickCaptureController(BoardViewModel& workspace, QPointer<AuthState> auth, QObject* parent = nullptr);
    ~QuickCaptureController() override;

    // "Quick Capture…" for a menu of the main window; always available.
    QAction* action() const { return m_action; }
    // Null where the desktop has no system tray.
    QSystemTrayIcon* trayIcon() const { return m_tray; }

    // The panel window, made on first use; it hides rather than closes.
    QWidget* panel();
    QuickCaptureComposer* composer();
    void showPanel();
    void togglePanel();

    // The 24 × 24 icon of the tray and the action.
    static QIcon icon();

private:
    BoardViewModel& m_workspace;
    QPointer<AuthState> m_auth;
    QAction* m_action = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QPointer<QWidget> m_panel;
    QuickCaptureComposer* m_composer = nullptr;
};
