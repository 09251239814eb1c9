// The application's own start-up check, used by `scripts/run.sh --check` and CI: it waits until the
// main window is shown on screen with its board list painted, then quits through the normal path, so
// that shutdown is exercised too. When that does not happen in time it exits with 2 and says which
// part never appeared.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

class BoardViewModel;
class QMainWindow;

class StartupCheck : public QObject
{
    Q_OBJECT

public:
    static constexpr int failureExitCode = 2;

    StartupCheck(QMainWindow& window, const BoardViewModel& workspace, std::chrono::milliseconds limit);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Empty when the window and its board list are shown; otherwise what is still missing.
    QString missingPart() const;
    void poll();
    void giveUp();

    QPointer<QMainWindow> m_window;
    const BoardViewModel& m_workspace;
    QTimer m_poll;
    QTimer m_deadline;
    bool m_boardListPainted = false;
    bool m_finished = false;
};
