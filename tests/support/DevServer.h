// Runs plenko-devserver (the binary named by PLENKO_DEVSERVER) on a free port of 127.0.0.1 for one
// test, and drives its admin endpoints: accounts with tokens, reset, clock, token expiry and fault
// injection. Every wait is bounded; a failure leaves isRunning() false or returns false/empty, with
// the reason in errorString(), so tests can QVERIFY2 on it.
#pragma once

#include "ListeningProcess.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QStringList>
#include <QUrl>
#include <QUuid>
#include <optional>

class DevServer
{
public:
    struct Options
    {
        bool snakeCase = false;
        QString dataFile;
        std::optional<qint64> accessTtlSeconds;
        QString latestVersion;
    };

    struct Account
    {
        QString userId;
        QString accessToken;
        QString refreshToken;
        bool isValid() const { return !userId.isEmpty(); }
    };

    // Everything the service holds for a board as one account sees it.
    struct BoardContents
    {
        QHash<QUuid, QJsonObject> live;
        QSet<QUuid> deleted;
        qint64 checkpoint = -1; // -1: the service refused the read
    };

    // One finished exchange; status is 0 when no HTTP answer arrived (see error).
    struct Reply
    {
        int status = 0;
        QByteArray body;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QList<QNetworkReply::RawHeaderPair> headers;
        QJsonObject object() const;
        QJsonValue json() const;
        QByteArray header(const QByteArray& name) const;
    };

    explicit DevServer(Options options);
    DevServer();
    ~DevServer();
    DevServer(const DevServer&) = delete;
    DevServer& operator=(const DevServer&) = delete;

    bool isRunning() const { return m_port != 0; }
    QString errorString() const { return m_error; }
    QUrl baseUrl() const;
    quint16 port() const { return m_port; }
    // What the devserver printed so far (one line per request), for failure messages.
    QStringList output() const { return m_process.output(); }
    // How many requests of that method and path it has answered so far, or -1 when that could not
    // be made sure (it answers one request of its own first and waits to read that line, so every
    // earlier line has been read too).
    int answered(const QByteArray& method, const QString& path);

    // Stops the process and starts it again with the same options (on a new port).
    bool restart();
    void stop();

    Account createAccount(const QString& email, const QString& displayName);
    bool reset();
    bool advanceClock(qint64 seconds);
    bool expireAccessTokens(const std::optional<QString>& accessToken = std::nullopt);
    // Arms one fault: {"kind": "delay"|"status"|"close"|"malformed"|"dropAnswer"|"delayAnswer", "count",
    // "pathPrefix", "delayMs", "status", "body"}.
    bool injectFault(const QJsonObject& fault);
    bool failNext(
        int count, int status, const QString& pathPrefix = {}, const std::optional<QByteArray>& body = {});
    bool closeNext(int count, const QString& pathPrefix = {});
    bool delayNext(int count, int delayMs, const QString& pathPrefix = {});
    bool malformedNext(int count, const QString& pathPrefix = {});
    // The service carries these out; the answer is then lost, or sent after delayMs.
    bool dropAnswerNext(int count, const QString& pathPrefix = {});
    bool delayAnswerNext(int count, int delayMs, const QString& pathPrefix = {});
    bool clearFaults();

    // A plain request to the devserver, waited for at most timeoutMs. The token, when given, is
    // sent as a bearer token; a body is sent as application/json.
    Reply request(const QByteArray& method, const QString& pathAndQuery,
        const std::optional<QByteArray>& body = {}, const QString& accessToken = {}, int timeoutMs = 10000);
    // Read with a sync from checkpoint 0 that sends nothing.
    BoardContents boardContents(const QUuid& boardId, const QString& accessToken);

private:
    bool start();
    bool expectNoContent(const Reply& reply, const QString& what);

    Options m_options;
    ListeningProcess m_process;
    QNetworkAccessManager m_network;
    QString m_error;
    quint16 m_port = 0;
    // The PostgreSQL database of this server, once chosen (empty: SQLite in memory).
    std::optional<QString> m_database;
};
