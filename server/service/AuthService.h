// Accounts, the browser sign-in (device nonce, one-time login token), sessions with expiring access
// tokens and rotating refresh tokens, and the bearer check of every /api request.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

class Clock;
class Database;
class EventOutbox;
class Row;
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

// Where a session's requests come from, as far as the service can tell.
struct SessionClient
{
    QString address;
    QString agent;
};

// One sign-in: its refresh-token family and the access tokens issued from it.
struct SessionInfo
{
    QString id;
    std::optional<QString> createdAt;
    std::optional<QString> lastUsedAt;
    std::optional<QString> clientAddress;
    std::optional<QString> clientAgent;
    QJsonObject toJson(const QString& currentId) const;
};

class AuthService
{
public:
    // A session that began more than maxSessionAgeSeconds ago (0: no limit) is ended when its
    // tokens are next used, and they answer 401 as those of a revoked session do.
    AuthService(Database& db, const Clock& clock, EventOutbox& events, qint64 accessTtlSeconds,
        qint64 maxSessionAgeSeconds = 0);

    // Finds the account with this e-mail (updating an empty display name) or creates it.
    Account findOrCreateAccount(const QString& email, const QString& displayName);
    std::optional<Account> account(const QString& userId) const;
    QList<Account> accounts() const;
    std::optional<Account> accountByEmail(const QString& email) const;

    // A new session for the account, as sign-in or the admin endpoint make it.
    TokenPair openSession(const QString& userId, const SessionClient& client = {});

    // 400 for a nonce longer than a device makes; forgets the nonces that have expired.
    void registerNonce(const QString& nonce);
    bool knowsNonce(const QString& nonce) const;
    // A one-time login token for the account, bound to the nonce; valid five minutes.
    QString issueLoginToken(const QString& nonce, const QString& userId);
    TokenPair completeLogin(const QString& nonce, const QString& ott, const SessionClient& client = {});

    // Rotates: the presented refresh token stops working. Presenting a replaced refresh token again
    // ends its whole session (every refresh and access token of it), as reuse means it was copied.
    TokenPair refresh(const QString& refreshToken, const SessionClient& client = {});
    // Ends the session of the refresh token, with its access tokens.
    void logout(const QString& refreshToken);

    // The account of the request's bearer token; 401 otherwise. Notes the session as used.
    Account authenticate(const ApiRequest& request);
    // The same, with the id of the session the token belongs to.
    std::pair<Account, QString> authenticateSession(const ApiRequest& request);
    // When the request's (already authenticated) access token expires, in seconds since the epoch.
    qint64 accessExpiresAt(const ApiRequest& request) const;

    // The account's sessions, the most recently used first.
    QList<SessionInfo> sessions(const QString& userId) const;
    // Ends one of the account's sessions: its refresh and access tokens stop working. False when
    // the account has no such session.
    bool revokeSession(const QString& userId, const QString& sessionId);
    // Ends all of them; returns how many there were.
    qint64 revokeSessions(const QString& userId);

    // Makes the given access token, or all of them, expired now.
    void expireAccessTokens(const std::optional<QString>& token);

private:
    Database& m_db;
    const Clock& m_clock;
    EventOutbox& m_events;
    // Ends the session when it began longer ago than the limit allows; true when it did. A session
    // made before its start was recorded (no details) is kept: its age is unknown.
    bool endedForAge(const QString& sessionId, const Row& details);
    void endSessionOfRetired(const QString& refreshToken);

    qint64 m_accessTtlSeconds;
    qint64 m_maxSessionAgeSeconds;
};
