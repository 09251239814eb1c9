#include "net/SingleInstance.h"

#include "domain/Log.h"

#include <QLocalSocket>
#include <QStandardPaths>

namespace {
// Messages are lines of UTF-8; an empty line ends a hand-over and is answered with the acknowledgement.
constexpr char acknowledgement[] = "ok\n";
constexpr int connectTimeoutMs = 500;
constexpr int answerTimeoutMs = 3000;
}

QString SingleInstance::defaultServerName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return QStringLiteral("net.plenko.Plenko.instance");
    return folder + QStringLiteral("/net.plenko.Plenko.instance");
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

SingleInstance::Role SingleInstance::claim(const QStringList& messages)
{
    if (handOver(messages))
        return Role::handedOver;
    if (listen())
        return Role::primary;
    return Role::failed;
}

bool SingleInstance::handOver(const QStringList& messages)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(connectTimeoutMs))
        return false;

    QByteArray payload;
    for (const QString& message : messages)
        payload += message.trimmed().toUtf8() + '\n';
    payload += '\n';
    socket.write(payload);
    socket.waitForBytesWritten(answerTimeoutMs);

    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(answerTimeoutMs))
        answer += socket.readAll();
    if (answer != acknowledgement) {
        logLine(QStringLiteral("The running Plenko did not acknowledge the hand-over."));
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen()
{
    if (m_server.listen(m_serverName))
        return true;
    // Nobody answered on the socket, so it is left over from an instance that did not exit cleanly.
    QLocalServer::removeServer(m_serverName);
    if (m_server.listen(m_serverName))
        return true;
    logLine(QStringLiteral("Couldn't listen for other Plenko starts on %1: %2").arg(m_serverName, m_server.errorString()));
    return false;
}

void SingleInstance::serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
            const QString line = QString::fromUtf8(socket->readLine()).trimmed();
            if (!line.isEmpty()) {
                const QUrl url(line, QUrl::StrictMode);
                if (url.isValid())
                    Q_EMIT urlReceived(url);
                continue;
            }
            socket->write(acknowledgement);
            socket->flush();
            Q_EMIT activated();
        }
    });
}
