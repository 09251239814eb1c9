// Accounts, the browser sign-in (device nonce, one-time login token), sessions with expiring access
// tokens and rotating refresh tokens, and the bearer check of every /api request.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

class Clock;
class Database;
struct ApiRequest;

struct Account
{
    QString id;
    QString email;
    std::optional<QString> displayName;
    std::optional<QString> lastLoginAt;
    QString updatedAt;

    // What other people see of this account: the display name, else the e-mail.
    QString shownName() const { return displayName.value_or(email); }
    QJsonObject toUserJson() const;
};

struct TokenPair
{
    QString accessToken;
    QString refreshToken;
    QJsonObject toJson() const;
};

class AuthService
{
public:
    AuthService(Database& db, const Clock& clock, qint64 accessTtlSeconds);

    // Finds the account with this e-mail (updating an empty display name) or creates it.
    Account findOrCreateAccount(const QString& email, const QString& displayName);
    std::optional<Account> account(const QString& userId) const;
    QList<Account> accounts() const;

    // A new session for the account, as sign-in or the admin endpoint make it.
    TokenPair openSession(const QString& userId);

    void registerNonce(const QString& nonce);
    bool knowsNonce(const QString& nonce) const;
    // A one-time login token for the account, bound to the nonce; valid five minutes.
    QString issueLoginToken(const QString& nonce, const QString& userId);
    TokenPair completeLogin(const QString& nonce, const QString& ott);

    // Rotates: the presented refresh token stops working.
    TokenPair refresh(const QString& refreshToken);
    // Ends the session of the refresh token, with its access tokens.
    void logout(const QString& refreshToken);

    // The account of the request's bearer token; 401 otherwise.
    Account authenticate(const ApiRequest& request) const;

    // Makes the given access token, or all of them, expired now.
    void expireAccessTokens(const std::optional<QString>& token);

private:
    Database& m_db;
    const Clock& m_clock;
    qint64 m_accessTtlSeconds;
};
