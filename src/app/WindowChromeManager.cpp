#include "app/WindowChromeManager.h"

#include "app/WindowControlsView.h"

#include <QApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QToolBar>
#include <QWidget>
#include <QWindow>

namespace {
const char* const chromeProperty = "plenkoWindowChrome";
const char* const overlayName = "windowChromeControls";

// The standard decorations a window keeps, with the window system's own frame hidden.
constexpr Qt::WindowFlags chromeFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowTitleHint
    | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

Qt::Edges edgesAt(const QWidget* window, const QPoint& pos)
{
    Qt::Edges edges;
    const int m = WindowChromeManager::resizeMargin;
    if (pos.x() < m)
        edges |= Qt::LeftEdge;
    if (pos.x() >= window->width() - m)
        edges |= Qt::RightEdge;
    if (pos.y() < m)
        edges |= Qt::TopEdge;
    if (pos.y() >= window->height() - m)
        edges |= Qt::BottomEdge;
    return edges;
}
}

WindowChromeManager& WindowChromeManager::shared()
{
    static WindowChromeManager* instance = new WindowChromeManager();
    return *instance;
}

void WindowChromeManager::install()
{
    if (!m_installed && qApp) {
        qApp->installEventFilter(this);
        m_installed = true;
    }
    applyToAllWindows();
}

bool WindowChromeManager::isOrdinaryWindow(const QWidget* window)
{
    if (!window || !window->isWindow())
        return false;
    if (window->windowType() != Qt::Window)
        return false;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return false;
    return !window->testAttribute(Qt::WA_DontShowOnScreen) || QGuiApplication::platformName() == QLatin1String("offscreen");
}

bool WindowChromeManager::hasChrome(const QWidget* window)
{
    return window && window->property(chromeProperty).toBool()
        && window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

void WindowChromeManager::applyToAllWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows)
        applyTo(window);
}

void WindowChromeManager::applyTo(QWidget* window)
{
    if (!isOrdinaryWindow(window))
        return;
    if (!hasChrome(window)) {
        const bool wasVisible = window->isVisible();
        const Qt::WindowFlags missing = chromeFlags & ~window->windowFlags();
        if (missing)
            window->setWindowFlags(window->windowFlags() | chromeFlags);
        window->setProperty(chromeProperty, true);
        window->setMouseTracking(true);
        if (auto* mainWindow = qobject_cast<QMainWindow*>(window)) {
            const QList<QToolBar*> toolBars = mainWindow->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly);
            for (QToolBar* toolBar : toolBars) {
                mainWindow->removeToolBar(toolBar);
                toolBar->deleteLater();
            }
        }
        // Changing the flags takes a shown window off the screen; put it back.
        if (wasVisible && missing)
            window->show();
    }
    placeControls(window);
}

void WindowChromeManager::placeControls(QWidget* window)
{
    auto* overlay = window->findChild<WindowControlsView*>(QLatin1String(overlayName));
    bool contentHasControls = false;
    const QList<WindowControlsView*> all = window->findChildren<WindowControlsView*>();
    for (WindowControlsView* controls : all) {
        if (controls != overlay)
            contentHasControls = true;
    }
    if (contentHasControls) {
        delete overlay;
        return;
    }
    if (!overlay) {
        overlay = new WindowControlsView(window);
        overlay->setObjectName(QLatin1String(overlayName));
        overlay->adjustSize();
        overlay->show();
    }
    overlay->move(window->width() - overlay->width() - 12, 8);
    overlay->raise();
}

bool WindowChromeManager::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ApplicationStateChange:
        if (watched == qApp && QGuiApplication::applicationState() == Qt::ApplicationActive)
            applyToAllWindows();
        break;
    case QEvent::Show:
    case QEvent::WindowActivate:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
            applyTo(widget);
        break;
    case QEvent::Resize:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow() && hasChrome(widget)) {
            if (auto* overlay = widget->findChild<WindowControlsView*>(QLatin1String(overlayName)))
                overlay->move(widget->width() - overlay->width() - 12, 8);
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow() && hasChrome(widget))
            return handleWindowMouse(widget, event);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool WindowChromeManager::handleWindowMouse(QWidget* window, QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    // Presses that reach the window itself were not taken by any control beneath the pointer.
    const QPoint pos = window->mapFromGlobal(mouse->globalPosition().toPoint());
    const Qt::Edges edges = window->isMaximized() ? Qt::Edges() : edgesAt(window, pos);
    if (event->type() == QEvent::MouseMove) {
        if (mouse->buttons() == Qt::NoButton) {
            if ((edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge)))
                window->setCursor((edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
                        ? Qt::SizeFDiagCursor
                        : Qt::SizeBDiagCursor);
            else if (edges & (Qt::LeftEdge | Qt::RightEdge))
                window->setCursor(Qt::SizeHorCursor);
            else if (edges)
                window->setCursor(Qt::SizeVerCursor);
            else
                window->unsetCursor();
        }
        return false;
    }
    if (mouse->button() != Qt::LeftButton || !window->windowHandle())
        return false;
    if (edges)
        return window->windowHandle()->startSystemResize(edges);
    if (pos.y() < dragStripHeight)
        return window->windowHandle()->startSystemMove();
    return false;
}
