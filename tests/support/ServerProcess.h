// Runs plenko-server (the binary named by PLENKO_SERVER) from a config file in a temporary folder,
// for one test. start() waits, bounded, for its start line and reads the port and scheme from it;
// run() runs it to the end for commands that exit (--invite, --list-sessions, refused configs).
#pragma once

#include "support/ListeningProcess.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QSslCertificate>
#include <QStringList>
#include <QTemporaryDir>

class ServerProcess
{
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Reply
    {
        int status = 0; // 0: no HTTP answer
        QByteArray body;
        Headers headers;
        QString error;
        QByteArray header(const QByteArray& name) const;
        // The body as a JSON object (empty when it is not one).
        QJsonObject json() const;
    };

    struct Outcome
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    // A config for one process on 127.0.0.1 on a free port, its [database] path as given, sign-up
    // under this policy; more follows in the [accounts] section and may open sections of its own.
    static QString config(
        const QString& database, const QString& more = {}, const QString& signUp = QStringLiteral("open"));

    // The config is written as given; a [database] path of "data.sqlite" lies in the temporary folder.
    // Several processes may share one database: give the others an absolute path or a URI.
    explicit ServerProcess(const QString& configText);
    ~ServerProcess();

    QString configPath() const { return m_dir.filePath(QStringLiteral("plenko-server.ini")); }
    QString databasePath() const { return m_dir.filePath(QStringLiteral("data.sqlite")); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    bool start();
    void stop();
    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }
    QStringList output() const { return m_process.output(); }
    qint64 processId() const { return m_process.processId(); }
    // "http" or "https", as the start line said.
    QString scheme() const { return m_scheme; }
    // The only certificate the requests accept from an HTTPS server (none: the system's).
    void trustCertificate(const QSslCertificate& certificate);

    // Runs plenko-server with these arguments to its end (at most 30 seconds).
    static Outcome run(const QStringList& arguments);

    Reply get(const QString& pathAndQuery);
    Reply post(const QString& path, const QByteArray& body, const QByteArray& contentType,
        const QString& accessToken = {});
    Reply getWithToken(const QString& path, const QString& accessToken);
    Reply send(const QByteArray& method, const QString& pathAndQuery, const QByteArray& body = {},
        const QByteArray& contentType = {}, const QString& accessToken = {}, const Headers& headers = {});
    // A request with a compact JSON body.
    Reply sendJson(const QByteArray& method, const QString& path, const QJsonObject& body,
        const QString& accessToken = {});

private:
    QTemporaryDir m_dir;
    ListeningProcess m_process;
    QNetworkAccessManager m_network;
    QSslCertificate m_trusted;
    QString m_error;
    QString m_scheme = QStringLiteral("http");
    quint16 m_port = 0;
};
