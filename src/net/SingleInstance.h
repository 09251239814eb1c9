// Keeps one running Plenko per user. A second start finds the running instance over a local socket,
// hands it the addresses it was started with (a plenko:// sign-in callback from the browser) and
// exits; the running instance announces each address with urlReceived.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class QLocalSocket;

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role {
        primary,    // this process listens; it is the running instance
        handedOver, // another instance took the arguments; this process should exit now
        failed,     // neither worked; the reason was logged
    };

    // A socket in the user's runtime folder, so each user has their own instance.
    static QString defaultServerName();

    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);

    // At start-up, before the event loop: hands the messages to a running instance, waiting briefly
    // for its acknowledgement, or else becomes the running instance.
    Role claim(const QStringList& messages);

    QString serverName() const { return m_serverName; }

Q_SIGNALS:
    // One per address a later start handed over, in the order given.
    void urlReceived(const QUrl& url);
    // Once per later start, after its addresses: the window should come to the front.
    void activated();

private:
    bool handOver(const QStringList& messages);
    bool listen();
    void serve(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer m_server;
};
