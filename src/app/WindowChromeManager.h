// Gives every ordinary window of the application its own chrome: no window-system title bar, the
// content running to the top edge, the top strip and any WindowDragArea moving the window, edges
// that resize it, and window controls when the content brings none. Panels, pop-ups, tool windows,
// dialogs and windows kept above others are left alone. Windows opened later get the chrome as soon
// as they are shown or become active.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

class WindowChromeManager : public QObject
{
    Q_OBJECT

public:
    // The height of the strip at the top of a window that moves it.
    static constexpr int dragStripHeight = 28;
    // How far from an edge a press resizes the window.
    static constexpr int resizeMargin = 5;

    static WindowChromeManager& shared();

    // Registers for window activation once; every call applies the chrome to the open windows.
    void install();
    bool isInstalled() const { return m_installed; }

    // Whether the window is one that gets the chrome.
    static bool isOrdinaryWindow(const QWidget* window);
    static bool hasChrome(const QWidget* window);
    void applyToAllWindows();
    void applyTo(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowChromeManager() = default;
    bool handleWindowMouse(QWidget* window, QEvent* event);
    void placeControls(QWidget* window);

    bool m_installed = false;
};
