#include "app/StartupCheck.h"

#include "app/sidebar/SidebarView.h"
#include "workspace/BoardViewModel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QWindow>

#include <cstdio>

StartupCheck::StartupCheck(QMainWindow& window, const BoardViewModel& workspace, std::chrono::milliseconds limit)
    : m_window(&window)
    , m_workspace(workspace)
{
    m_poll.setInterval(std::chrono::milliseconds(50));
    connect(&m_poll, &QTimer::timeout, this, &StartupCheck::poll);
    m_poll.start();
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &StartupCheck::giveUp);
    m_deadline.start(limit);
}

bool StartupCheck::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && qobject_cast<SidebarView*>(watched))
        m_boardListPainted = true;
    return QObject::eventFilter(watched, event);
}

QString StartupCheck::missingPart() const
{
    if (!m_window || !m_window->isVisible())
        return QStringLiteral("the main window was never shown");
    const QWindow* handle = m_window->windowHandle();
    if (!handle || !handle->isExposed())
        return QStringLiteral("the main window never appeared on screen");
    const auto* sidebar = m_window->findChild<SidebarView*>();
    if (!sidebar || !sidebar->isVisible() || sidebar->width() == 0)
        return QStringLiteral("the board list is not shown");
    if (!m_boardListPainted)
        return QStringLiteral("the board list was never painted");
    return {};
}

void StartupCheck::poll()
{
    if (m_finished || !m_window)
        return;
    // The filter goes on as soon as the sidebar exists, so its first paint is seen.
    if (auto* sidebar = m_window->findChild<SidebarView*>(); sidebar && !m_boardListPainted) {
        sidebar->removeEventFilter(this);
        sidebar->installEventFilter(this);
        sidebar->update();
    }
    if (!missingPart().isEmpty())
        return;
    m_finished = true;
    m_poll.stop();
    m_deadline.stop();
    std::printf("Startup check passed: the main window is shown with its board list (%lld boards).\n",
        static_cast<long long>(m_workspace.boards().size()));
    std::fflush(stdout);
    QCoreApplication::quit();
}

void StartupCheck::giveUp()
{
    if (m_finished)
        return;
    m_finished = true;
    m_poll.stop();
    std::fprintf(stderr, "Startup check failed: %s.\n", qPrintable(missingPart()));
    QCoreApplication::exit(failureExitCode);
}
