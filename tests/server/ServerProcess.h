// Runs plenko-server (the binary named by PLENKO_SERVER) from a config file in a temporary folder,
// for one test. start() waits, bounded, for its start line and reads the port from it; run() runs it
// to the end for commands that exit (--invite, refused configs).
#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class ServerProcess
{
public:
    struct Reply
    {
        int status = 0; // 0: no HTTP answer
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray header(const QByteArray& name) const;
    };

    struct Outcome
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    // The config is written as given; a [database] path of "data.sqlite" lies in the temporary folder.
    // Several processes may share one database: give the others an absolute path or a URI.
    explicit ServerProcess(const QString& configText);
    ~ServerProcess();

    QString configPath() const { return m_dir.filePath(QStringLiteral("plenko-server.ini")); }
    QString databasePath() const { return m_dir.filePath(QStringLiteral("data.sqlite")); }
    bool start();
    void stop();
    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }
    QStringList output() const { return m_output; }

    // Runs plenko-server with these arguments to its end (at most 30 seconds).
    static Outcome run(const QStringList& arguments);

    Reply get(const QString& pathAndQuery);
    Reply post(const QString& path, const QByteArray& body, const QByteArray& contentType,
        const QString& accessToken = {});
    Reply getWithToken(const QString& path, const QString& accessToken);

private:
    Reply send(const QByteArray& method, const QString& pathAndQuery, const QByteArray& body,
        const QByteArray& contentType, const QString& accessToken);

    QTemporaryDir m_dir;
    QProcess m_process;
    QNetworkAccessManager m_network;
    QStringList m_output;
    QByteArray m_pending;
    QString m_error;
    quint16 m_port = 0;
};
