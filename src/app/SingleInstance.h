// Keeps one running Plenko per user. The instance that holds a lock file in the user's runtime folder
// is the running one; it listens on a local socket beside the lock. A later start finds the lock held,
// hands the addresses it was started with (a plenko:// sign-in callback from the browser) to the
// running instance over the socket and exits; the running instance announces each address with
// urlReceived. Only the lock decides: a start never removes a socket whose lock is held, so a running
// instance that is busy for a while keeps its place, and a lock left by a process that died is taken
// over together with its socket.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QLocalSocket;

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role {
        primary,    // this process holds the lock and listens; it is the running instance
        handedOver, // the running instance took the arguments; this process should exit now
        unanswered, // an instance runs but did not take them in time; this process should exit too
        failed,     // no lock or socket could be set up here; logged
    };

    // A socket in the user's runtime folder, so each user has their own instance; the lock file is
    // the same path with ".lock" added.
    static QString defaultServerName();

    // How long a later start waits for a busy running instance to take its addresses.
    static constexpr std::chrono::milliseconds defaultAnswerTimeout { 30000 };

    explicit SingleInstance(QString serverName = defaultServerName(),
        std::chrono::milliseconds answerTimeout = defaultAnswerTimeout, QObject* parent = nullptr);

    // At start-up, before the event loop: becomes the running instance, or hands the messages to the
    // one that is running and waits for its acknowledgement.
    Role claim(const QStringList& messages);

    QString serverName() const { return m_serverName; }

Q_SIGNALS:
    // One per address a later start handed over, in the order given, exactly as it was given.
    void urlReceived(const QString& address);
    // Once per later start, after its addresses: the window should come to the front.
    void activated();

private:
    enum class HandOver { done, noAnswer, notListening };

    HandOver handOver(const QStringList& messages);
    bool listen();
    void serve(QLocalSocket* socket);

    QString m_serverName;
    std::chrono::milliseconds m_answerTimeout;
    QLockFile m_lock;
    QLocalServer m_server;
};
