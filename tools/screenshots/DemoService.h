// The service for the screenshots: plenko-devserver started on a free port of 127.0.0.1 with its data
// in memory, and plain JSON requests to it for setting up accounts, boards, members and items the way
// other people would. Stops the process when destroyed.
#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <optional>

class DemoService
{
public:
    struct Account
    {
        QString userId;
        QString accessToken;
        QString refreshToken;
    };

    DemoService() = default;
    ~DemoService();
    DemoService(const DemoService&) = delete;
    DemoService& operator=(const DemoService&) = delete;

    // Starts the binary and waits (bounded) for its "listening on" line; the reason is in error().
    bool start(const QString& program);
    QString baseUrl() const { return m_baseUrl; }
    QString error() const { return m_error; }

    // Finds or creates the account and opens a session for it.
    std::optional<Account> account(const QString& email, const QString& displayName);
    // A JSON request with the account's bearer token; the answer's object, or nothing (reason in
    // error()) when the status is not 2xx.
    std::optional<QJsonObject> request(const QByteArray& method, const QString& path,
        const QJsonObject& body = {}, const QString& accessToken = {});

private:
    QProcess m_process;
    QString m_baseUrl;
    QString m_error;
};
