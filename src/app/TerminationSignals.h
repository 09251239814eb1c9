// SIGTERM, SIGINT and SIGHUP end the application through its event loop, like Quit does, so
// whatever runs at quit (the last save of the store) runs for a session ended by the system too.
#pragma once

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // One instance per process; it quits the application when a signal arrives.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};
