// One run of app_session_driver (the real application, driven line by line) as a child process:
// its home, data, configuration and cache folders live under a folder the test owns, its service is
// the stand-in's address, and its D-Bus session is the one given (a private keyring, or nothing).
// Commands go to its standard input; it answers each with one "ack ..." (or "nack ...") line once
// the operation has completed. kill() is SIGKILL, at any moment.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

class AppProcess
{
public:
    struct Setup
    {
        QString root; // home and XDG folders are made under it
        QString serviceUrl; // PLENKO_API_URL
        QString busAddress; // DBUS_SESSION_BUS_ADDRESS; empty: none at all
    };

    explicit AppProcess(Setup setup);
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // Starts the process; false when it could not be started (see errorString()).
    bool start();
    // The "ready ..." line, once the application has loaded its workspace.
    std::optional<QString> waitForReady(int timeoutMs);
    // Sends one command line.
    void send(const QString& command);
    // Sends one command line and waits for its answer, as waitForAnswer does.
    std::optional<QString> ask(const QString& command, int timeoutMs);
    // The next answer line ("ack ..." or "nack ..."), or nothing when the process ended or the time ran out.
    std::optional<QString> waitForAnswer(int timeoutMs);
    // Lets the event loop run for at most ms, returning early when an answer arrives.
    void waitForAnswerOrTime(int ms);
    bool hasAnswer() const { return !m_answers.isEmpty(); }
    // The lines that were neither answers nor the ready line (such as "synced ..."), since the last call.
    QStringList takeOtherLines();
    void kill();
    // Sends "quit" and waits for a normal end.
    bool quit(int timeoutMs);
    // SIGTERM, as a session ending or a system shutdown sends it, and waits for a normal end.
    bool terminate(int timeoutMs);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Where the application keeps its store, given the folders above.
    QString storeFile() const;
    QString dataFolder() const;
    QString errorString() const { return m_error; }
    // The last lines the process wrote to standard error (its diagnostic log), for failure messages.
    QString logTail() const;

private:
    void readOutput();

    Setup m_setup;
    QProcess m_process;
    QByteArray m_pending;
    QStringList m_answers;
    QStringList m_otherLines;
    QStringList m_errorLines;
    std::optional<QString> m_ready;
    QString m_error;
};
