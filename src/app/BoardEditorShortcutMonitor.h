// Application-wide Ctrl+1/2/3 (status tabs) and Ctrl+S (save the editor). Installed as an event
// filter on the application so the keys work from anywhere, including while a text field has focus;
// a matched key is consumed and never reaches the focused control.
#pragma once

#include <QObject>
#include <QPointer>

class NotificationCenter;
class QKeyEvent;

class BoardEditorShortcutMonitor : public QObject
{
    Q_OBJECT

public:
    // Starts monitoring at once.
    explicit BoardEditorShortcutMonitor(NotificationCenter& center, QObject* parent = nullptr);
    ~BoardEditorShortcutMonitor() override;

    void start();
    void stop();
    bool isMonitoring() const { return m_installed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The notification a key press asks for, or an empty name when the key is not ours.
    static QString notificationFor(const QKeyEvent& event);

    QPointer<NotificationCenter> m_center;
    bool m_installed = false;
};
