// A service binary run for one test: its standard output is kept line by line, and start() waits,
// bounded, for the line that names the port it listens on. The devserver and plenko-server helpers
// both run their binary through it.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

class ListeningProcess
{
public:
    ListeningProcess();
    ~ListeningProcess();
    ListeningProcess(const ListeningProcess&) = delete;
    ListeningProcess& operator=(const ListeningProcess&) = delete;

    void setWorkingDirectory(const QString& path) { m_process.setWorkingDirectory(path); }
    // Starts the program and waits until a line matches ready (its first group is the port). Returns
    // that port, or 0 when the program ended or 15 seconds passed first (the reason in errorString()).
    quint16 start(const QString& program, const QStringList& arguments, const QRegularExpression& ready);
    // Asks the program to end, then kills it if it has not within five seconds.
    void stop();

    QStringList output() const { return m_output; }
    qint64 processId() const { return m_process.processId(); }
    QString errorString() const { return m_error; }

private:
    QProcess m_process;
    QStringList m_output;
    QByteArray m_pending;
    QString m_error;
};
