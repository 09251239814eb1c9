#include "app/quickcapture/QuickCaptureController.h"

#include "app/Palette.h"
#include "app/quickcapture/QuickCaptureComposer.h"

#include <QAction>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

QuickCaptureController::QuickCaptureController(BoardViewModel& workspace, QPointer<AuthState> auth, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_auth(std::move(auth))
{
    m_action = new QAction(icon(), QStringLiteral("Quick Capture…"), this);
    m_action->setObjectName(QStringLiteral("quickCaptureAction"));
    m_action->setToolTip(helpText());
    connect(m_action, &QAction::triggered, this, &QuickCaptureController::showPanel);

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(icon(), this);
        m_tray->setToolTip(helpText());
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                togglePanel();
        });
        m_tray->show();
    }
}

QuickCaptureController::~QuickCaptureController()
{
    // The panel is a window of its own, not a child; it goes with the controller.
    delete m_panel.data();
}

QIcon QuickCaptureController::icon()
{
    QPixmap pixmap(48, 48);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A filled accent tile with a white plus and a dark rim reads on light and dark panels alike; a
    // light outline alone vanishes on a light panel.
    painter.setPen(QPen(QColor(0x1d, 0x2b, 0x4a), 1.0));
    painter.setBrush(Palette::accent());
    painter.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 4, 4);
    painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(12, 8), QPointF(12, 16));
    painter.drawLine(QPointF(8, 12), QPointF(16, 12));
    return QIcon(pixmap);
}

QWidget* QuickCaptureController::panel()
{
    if (m_panel)
        return m_panel;
    auto* panel = new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    panel->setObjectName(QStringLiteral("quickCapturePanel"));
    panel->setWindowTitle(helpText());
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_composer = new QuickCaptureComposer(m_workspace, m_auth, panel);
    layout->addWidget(m_composer);
    panel->resize(400, 220);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), panel);
    connect(escape, &QShortcut::activated, panel, &QWidget::hide);
    m_panel = panel;
    return panel;
}

QuickCaptureComposer* QuickCaptureController::composer()
{
    panel();
    return m_composer;
}

void QuickCaptureController::showPanel()
{
    QWidget* window = panel();
    if (!window->isVisible()) {
        // Near the tray icon when there is one, else at the top of the screen in the middle.
        QRect anchor = m_tray ? m_tray->geometry() : QRect();
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
        if (!anchor.isValid() || anchor.isEmpty())
            anchor = QRect(available.center().x(), available.top(), 0, 0);
        QPoint topLeft(anchor.center().x() - window->width() / 2, anchor.bottom() + 6);
        topLeft.setX(std::clamp(topLeft.x(), available.left(), available.right() - window->width()));
        topLeft.setY(std::clamp(topLeft.y(), available.top(), available.bottom() - window->height()));
        window->move(topLeft);
    }
    window->show();
    window->raise();
    window->activateWindow();
    m_composer->focusEditor();
}

void QuickCaptureController::togglePanel()
{
    if (m_panel && m_panel->isVisible())
        m_panel->hide();
    else
        showPanel();
}
