#include "app/SingleInstance.h"

#include "domain/Log.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {
// Messages are lines of UTF-8; an empty line ends a hand-over and is answered with the acknowledgement.
constexpr char acknowledgement[] = "ok\n";
constexpr int connectTimeoutMs = 500;
// The lock holder may not be listening yet when it has only just won the lock.
constexpr unsigned long notListeningRetryMs = 20;
}

QString SingleInstance::defaultServerName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return folder + QStringLiteral("/net.plenko.Plenko.instance");
}

SingleInstance::SingleInstance(QString serverName, std::chrono::milliseconds answerTimeout, QObject* parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
    , m_answerTimeout(answerTimeout)
    , m_lock(m_serverName + QStringLiteral(".lock"))
{
    // A lock is stale only when its process is gone, however long a running instance has held it.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

SingleInstance::Role SingleInstance::claim(const QStringList& messages)
{
    QDeadlineTimer deadline(m_answerTimeout);
    for (;;) {
        if (m_lock.tryLock(0))
            return listen() ? Role::primary : Role::failed;
        if (m_lock.error() != QLockFile::LockFailedError) {
            logLine(QStringLiteral("Couldn't take the instance lock %1.lock (error %2)")
                        .arg(m_serverName)
                        .arg(static_cast<int>(m_lock.error())));
            return Role::failed;
        }
        switch (handOver(messages)) {
        case HandOver::done:
            return Role::handedOver;
        case HandOver::noAnswer:
            logLine(QStringLiteral("The running Plenko did not take the hand-over in time."));
            return Role::unanswered;
        case HandOver::notListening:
            break;
        }
        if (deadline.hasExpired()) {
            logLine(QStringLiteral("The running Plenko holds its lock but does not listen on %1.").arg(m_serverName));
            return Role::unanswered;
        }
        QThread::msleep(notListeningRetryMs);
    }
}

SingleInstance::HandOver SingleInstance::handOver(const QStringList& messages)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(connectTimeoutMs))
        return HandOver::notListening;

    QByteArray payload;
    for (const QString& message : messages)
        payload += message.trimmed().toUtf8() + '\n';
    payload += '\n';
    socket.write(payload);

    // A running instance whose UI thread is busy answers late; it keeps its place meanwhile.
    QDeadlineTimer deadline(m_answerTimeout);
    QByteArray answer;
    while (!answer.contains('\n') && !deadline.hasExpired()) {
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
        else if (socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            answer += socket.readAll();
        else if (socket.state() != QLocalSocket::ConnectedState)
            break;
    }
    if (answer != acknowledgement)
        return answer.isEmpty() && socket.state() != QLocalSocket::ConnectedState && !deadline.hasExpired()
            ? HandOver::notListening
            : HandOver::noAnswer;
    socket.disconnectFromServer();
    return HandOver::done;
}

bool SingleInstance::listen()
{
    // The lock is ours, so a socket file here is left over from an instance that ended without
    // cleaning up.
    QLocalServer::removeServer(m_serverName);
    if (m_server.listen(m_serverName))
        return true;
    logLine(QStringLiteral("Couldn't listen for other Plenko starts on %1: %2").arg(m_serverName, m_server.errorString()));
    m_lock.unlock();
    return false;
}

void SingleInstance::serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
            const QString line = QString::fromUtf8(socket->readLine()).trimmed();
            if (!line.isEmpty()) {
                Q_EMIT urlReceived(line);
                continue;
            }
            socket->write(acknowledgement);
            socket->flush();
            Q_EMIT activated();
        }
    });
}
