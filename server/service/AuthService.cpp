#include "AuthService.h"

#include "Clock.h"
#include "Database.h"
#include "EmailAddress.h"
#include "EventOutbox.h"
#include "HttpError.h"
#include "HttpMessage.h"
#include "TextLimits.h"
#include "Tokens.h"

namespace {

constexpr qint64 loginTokenSeconds = 5 * 60;
constexpr qint64 nonceSeconds = 30 * 60;
// "Last used" is kept to the minute, so a busy client does not write on every request.
constexpr qint64 lastUsedResolutionSeconds = 60;
constexpr qsizetype maxAgentLength = 200;

const QString accountColumns
    = QStringLiteral("SELECT id, email, display_name, last_login_at, updated_at FROM accounts");

Account accountFrom(const Row& row)
{
    return {row.text("id"), row.text("email"), row.optionalText("display_name"),
        row.optionalText("last_login_at"), row.text("updated_at")};
}

HttpError unauthorized(const QString& code, const QString& message)
{
    return {401, code, message};
}

} // namespace

QJsonObject Account::toUserJson() const
{
    QJsonObject user {{QStringLiteral("id"), id}, {QStringLiteral("email"), email},
        {QStringLiteral("handle"), email.section(QLatin1Char('@'), 0, 0).toLower()},
        {QStringLiteral("updatedAt"), updatedAt}};
    if (displayName)
        user.insert(QStringLiteral("displayName"), *displayName);
    if (lastLoginAt)
        user.insert(QStringLiteral("lastLoginAt"), *lastLoginAt);
    return user;
}

QJsonObject SessionInfo::toJson(const QString& currentId) const
{
    QJsonObject session {{QStringLiteral("id"), id}, {QStringLiteral("current"), id == currentId}};
    const auto put = [&session](const QString& key, const std::optional<QString>& value) {
        session.insert(key, value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null));
    };
    put(QStringLiteral("createdAt"), createdAt);
    put(QStringLiteral("lastUsedAt"), lastUsedAt);
    put(QStringLiteral("clientAddress"), clientAddress);
    put(QStringLiteral("userAgent"), clientAgent);
    return session;
}

QJsonObject TokenPair::toJson() const
{
    return {{QStringLiteral("accessToken"), accessToken}, {QStringLiteral("refreshToken"), refreshToken}};
}

AuthService::AuthService(Database& db, const Clock& clock, EventOutbox& events, qint64 accessTtlSeconds,
    qint64 maxSessionAgeSeconds)
    : m_db(db)
    , m_clock(clock)
    , m_events(events)
    , m_accessTtlSeconds(accessTtlSeconds)
    , m_maxSessionAgeSeconds(maxSessionAgeSeconds)
{
}

Account AuthService::findOrCreateAccount(const QString& email, const QString& displayName)
{
    const QString address = EmailAddress::checked(email);
    const QString name = displayName.trimmed();
    TextLimits::require(QStringLiteral("displayName"), name, TextLimits::displayName);

    if (auto row = m_db.queryOne(
            accountColumns + QStringLiteral(" WHERE email_key = ?"), {EmailAddress::key(address)})) {
        Account existing = accountFrom(*row);
        if (!name.isEmpty() && existing.displayName != name) {
            existing.displayName = name;
            existing.updatedAt = m_clock.isoNow();
            m_db.execute(QStringLiteral("UPDATE accounts SET display_name = ?, updated_at = ? WHERE id = ?"),
                {name, existing.updatedAt, existing.id});
        }
        return existing;
    }
    Account created {Tokens::newUuid(), address, name.isEmpty() ? std::nullopt : std::optional(name),
        std::nullopt, m_clock.isoNow()};
    m_db.execute(QStringLiteral("INSERT INTO accounts (id, email, email_key, display_name, updated_at)"
                                " VALUES (?, ?, ?, ?, ?)"),
        {created.id, created.email, EmailAddress::key(address),
            created.displayName ? QVariant(*created.displayName) : QVariant(), created.updatedAt});
    return created;
}

std::optional<Account> AuthService::account(const QString& userId) const
{
    if (auto row = m_db.queryOne(accountColumns + QStringLiteral(" WHERE id = ?"), {userId}))
        return accountFrom(*row);
    return std::nullopt;
}

QList<Account> AuthService::accounts() const
{
    QList<Account> result;
    for (const Row& row : m_db.query(accountColumns + QStringLiteral(" ORDER BY email")))
        result.append(accountFrom(row));
    return result;
}

std::optional<Account> AuthService::accountByEmail(const QString& email) const
{
    if (auto row
        = m_db.queryOne(accountColumns + QStringLiteral(" WHERE email_key = ?"), {EmailAddress::key(email)}))
        return accountFrom(*row);
    return std::nullopt;
}

TokenPair AuthService::openSession(const QString& userId, const SessionClient& client)
{
    TokenPair tokens {Tokens::random(QStringLiteral("at_")), Tokens::random(QStringLiteral("rt_"))};
    const QString session = Tokens::newUuid();
    m_db.transaction([&] {
        m_db.execute(QStringLiteral("INSERT INTO sessions (id, user_id, refresh_token) VALUES (?, ?, ?)"),
            {session, userId, tokens.refreshToken});
        m_db.execute(
            QStringLiteral(
                "INSERT INTO access_tokens (token, session_id, user_id, expires_at) VALUES (?, ?, ?, ?)"),
            {tokens.accessToken, session, userId, m_clock.epochSeconds() + m_accessTtlSeconds});
        const QString now = m_clock.isoNow();
        const auto optional
            = [](const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); };
        m_db.execute(QStringLiteral("INSERT INTO session_details (session_id, created_at, last_used_at,"
                                    " client_address, client_agent) VALUES (?, ?, ?, ?, ?)"),
            {session, now, now, optional(client.address), optional(client.agent.left(maxAgentLength))});
    });
    return tokens;
}

void AuthService::registerNonce(const QString& nonce)
{
    TextLimits::require(QStringLiteral("deviceNonce"), nonce, TextLimits::deviceNonce);
    // Sign-ins that were started and never finished go once they can no longer finish.
    m_db.execute(QStringLiteral("DELETE FROM login_nonces WHERE created_at <= ?"),
        {m_clock.epochSeconds() - nonceSeconds});
    m_db.execute(QStringLiteral("INSERT INTO login_nonces (nonce, created_at) VALUES (?, ?)"
                                " ON CONFLICT (nonce) DO UPDATE SET created_at = excluded.created_at"),
        {nonce, m_clock.epochSeconds()});
}

bool AuthService::knowsNonce(const QString& nonce) const
{
    return m_db
        .queryOne(QStringLiteral("SELECT nonce FROM login_nonces WHERE nonce = ? AND created_at > ?"),
            {nonce, m_clock.epochSeconds() - nonceSeconds})
        .has_value();
}

QString AuthService::issueLoginToken(const QString& nonce, const QString& userId)
{
    const QString ott = Tokens::random(QStringLiteral("ott_"));
    m_db.execute(
        QStringLiteral("INSERT INTO login_tokens (ott, nonce, user_id, expires_at) VALUES (?, ?, ?, ?)"),
        {ott, nonce, userId, m_clock.epochSeconds() + loginTokenSeconds});
    return ott;
}

TokenPair AuthService::completeLogin(const QString& nonce, const QString& ott, const SessionClient& client)
{
    TextLimits::require(QStringLiteral("deviceNonce"), nonce, TextLimits::deviceNonce);
    TextLimits::require(QStringLiteral("ott"), ott, TextLimits::token);
    // 400 rather than 401: a refused sign-in is not a stale bearer token to refresh.
    const auto row = m_db.queryOne(
        QStringLiteral("SELECT nonce, user_id, expires_at FROM login_tokens WHERE ott = ?"), {ott});
    if (!row || row->text("nonce") != nonce)
        throw HttpError(400, QStringLiteral("INVALID_LOGIN_TOKEN"),
            QStringLiteral("This sign-in link is not valid. Start the sign-in again."));
    if (row->integer("expires_at") <= m_clock.epochSeconds()) {
        m_db.execute(QStringLiteral("DELETE FROM login_tokens WHERE ott = ?"), {ott});
        throw HttpError(400, QStringLiteral("LOGIN_TOKEN_EXPIRED"),
            QStringLiteral("This sign-in link has expired. Start the sign-in again."));
    }
    const QString userId = row->text("user_id");
    TokenPair tokens;
    m_db.transaction([&] {
        // Another server process may have taken the same link meanwhile: only one exchange wins.
        if (m_db.execute(QStringLiteral("DELETE FROM login_tokens WHERE ott = ?"), {ott}) == 0)
            throw HttpError(400, QStringLiteral("INVALID_LOGIN_TOKEN"),
                QStringLiteral("This sign-in link is not valid. Start the sign-in again."));
        m_db.execute(QStringLiteral("DELETE FROM login_nonces WHERE nonce = ?"), {nonce});
        m_db.execute(
            QStringLiteral("UPDATE accounts SET last_login_at = ? WHERE id = ?"), {m_clock.isoNow(), userId});
        tokens = openSession(userId, client);
    });
    return tokens;
}

TokenPair AuthService::refresh(const QString& refreshToken, const SessionClient& client)
{
    TextLimits::require(QStringLiteral("refreshToken"), refreshToken, TextLimits::token);
    const auto refused = [] {
        return unauthorized(QStringLiteral("INVALID_REFRESH_TOKEN"),
            QStringLiteral("The refresh token is not valid. Please sign in again."));
    };
    const auto session = m_db.queryOne(
        QStringLiteral("SELECT s.id AS id, s.user_id AS user_id, d.created_at AS created_at FROM sessions s"
                       " LEFT JOIN session_details d ON d.session_id = s.id WHERE s.refresh_token = ?"),
        {refreshToken});
    if (!session) {
        endSessionOfRetired(refreshToken);
        throw refused();
    }
    if (endedForAge(session->text("id"), *session))
        throw refused();
    TokenPair tokens {Tokens::random(QStringLiteral("at_")), Tokens::random(QStringLiteral("rt_"))};
    // Rotated only from the token just read: of two refreshes with one token, the second finds it
    // retired, as a thief's copy would be.
    if (m_db.execute(
            QStringLiteral("UPDATE sessions SET refresh_token = ? WHERE id = ? AND refresh_token = ?"),
            {tokens.refreshToken, session->text("id"), refreshToken})
        == 0) {
        endSessionOfRetired(refreshToken);
        throw refused();
    }
    m_db.transaction([&] {
        m_db.execute(QStringLiteral("INSERT INTO retired_refresh_tokens (token, session_id) VALUES (?, ?)"),
            {refreshToken, session->text("id")});
        m_db.execute(
            QStringLiteral(
                "INSERT INTO access_tokens (token, session_id, user_id, expires_at) VALUES (?, ?, ?, ?)"),
            {tokens.accessToken, session->text("id"), session->text("user_id"),
                m_clock.epochSeconds() + m_accessTtlSeconds});
        m_db.execute(QStringLiteral("UPDATE session_details SET last_used_at = ?,"
                                    " client_address = COALESCE(?, client_address) WHERE session_id = ?"),
            {m_clock.isoNow(), client.address.isEmpty() ? QVariant() : QVariant(client.address),
                session->text("id")});
    });
    return tokens;
}

void AuthService::endSessionOfRetired(const QString& refreshToken)
{
    // A replaced token came back: either its holder or the one who refreshed with it is not the
    // person who signed in, and the service cannot tell which. Both lose the session.
    const auto retired = m_db.queryOne(
        QStringLiteral("SELECT r.session_id AS session_id, s.user_id AS user_id FROM retired_refresh_tokens r"
                       " JOIN sessions s ON s.id = r.session_id WHERE r.token = ?"),
        {refreshToken});
    if (retired) {
        m_db.execute(QStringLiteral("DELETE FROM sessions WHERE id = ?"), {retired->text("session_id")});
        m_events.sessionEnded(retired->text("user_id"), retired->text("session_id"));
    }
}

void AuthService::logout(const QString& refreshToken)
{
    TextLimits::require(QStringLiteral("refreshToken"), refreshToken, TextLimits::token);
    const auto session = m_db.queryOne(
        QStringLiteral("SELECT id, user_id FROM sessions WHERE refresh_token = ?"), {refreshToken});
    if (!session)
        return;
    m_db.execute(QStringLiteral("DELETE FROM sessions WHERE id = ?"), {session->text("id")});
    m_events.sessionEnded(session->text("user_id"), session->text("id"));
}

Account AuthService::authenticate(const ApiRequest& request)
{
    return authenticateSession(request).first;
}

std::pair<Account, QString> AuthService::authenticateSession(const ApiRequest& request)
{
    const QByteArray header = request.header("Authorization");
    if (!header.startsWith("Bearer ") || header.size() <= 7)
        throw unauthorized(QStringLiteral("UNAUTHORIZED"), QStringLiteral("Sign in to use this endpoint."));
    const QString token = QString::fromUtf8(header.mid(7)).trimmed();
    // The token, its session and its account in one statement: every request of a signed-in client
    // starts here.
    const auto row = m_db.queryOne(
        QStringLiteral("SELECT t.expires_at AS expires_at, t.session_id AS session_id,"
                       " d.last_used_at AS last_used_at, d.created_at AS created_at, a.id AS id,"
                       " a.email AS email, a.display_name AS display_name, a.last_login_at AS last_login_at,"
                       " a.updated_at AS updated_at FROM access_tokens t"
                       " LEFT JOIN session_details d ON d.session_id = t.session_id"
                       " LEFT JOIN accounts a ON a.id = t.user_id WHERE t.token = ?"),
        {token});
    if (!row || endedForAge(row->text("session_id"), *row))
        throw unauthorized(QStringLiteral("INVALID_TOKEN"), QStringLiteral("The access token is not valid."));
    if (row->integer("expires_at") <= m_clock.epochSeconds())
        throw unauthorized(QStringLiteral("TOKEN_EXPIRED"), QStringLiteral("The access token has expired."));
    if (row->isNull("id"))
        throw unauthorized(QStringLiteral("INVALID_TOKEN"), QStringLiteral("The access token is not valid."));
    const std::optional<Account> found = accountFrom(*row);
    const QString sessionId = row->text("session_id");
    m_events.setActingSession(sessionId);
    const QString stale = Clock::iso(m_clock.now().addSecs(-lastUsedResolutionSeconds));
    if (!row->isNull("last_used_at") && row->text("last_used_at") < stale)
        m_db.execute(QStringLiteral("UPDATE session_details SET last_used_at = ? WHERE session_id = ?"),
            {m_clock.isoNow(), sessionId});
    return {*found, sessionId};
}

qint64 AuthService::accessExpiresAt(const ApiRequest& request) const
{
    const QString token = QString::fromUtf8(request.header("Authorization").mid(7)).trimmed();
    const auto row
        = m_db.queryOne(QStringLiteral("SELECT expires_at FROM access_tokens WHERE token = ?"), {token});
    return row ? row->integer("expires_at") : 0;
}

bool AuthService::endedForAge(const QString& sessionId, const Row& details)
{
    if (m_maxSessionAgeSeconds <= 0 || details.isNull("created_at")
        || details.text("created_at") >= Clock::iso(m_clock.now().addSecs(-m_maxSessionAgeSeconds)))
        return false;
    // Its access tokens and details go with it (ON DELETE CASCADE).
    m_db.execute(QStringLiteral("DELETE FROM sessions WHERE id = ?"), {sessionId});
    m_events.sessionEnded(details.text("user_id"), sessionId);
    return true;
}

QList<SessionInfo> AuthService::sessions(const QString& userId) const
{
    QList<SessionInfo> result;
    const QList<Row> rows = m_db.query(
        QStringLiteral("SELECT s.id AS id, d.created_at AS created_at, d.last_used_at AS last_used_at,"
                       " d.client_address AS client_address, d.client_agent AS client_agent FROM sessions s"
                       " LEFT JOIN session_details d ON d.session_id = s.id WHERE s.user_id = ?"
                       " ORDER BY d.last_used_at DESC NULLS LAST, s.id"),
        {userId});
    for (const Row& row : rows)
        result.append({row.text("id"), row.optionalText("created_at"), row.optionalText("last_used_at"),
            row.optionalText("client_address"), row.optionalText("client_agent")});
    return result;
}

bool AuthService::revokeSession(const QString& userId, const QString& sessionId)
{
    // The session's access tokens and details go with it (ON DELETE CASCADE).
    const bool ended = m_db.execute(QStringLiteral("DELETE FROM sessions WHERE id = ? AND user_id = ?"),
                           {sessionId, userId})
        > 0;
    if (ended)
        m_events.sessionEnded(userId, sessionId);
    return ended;
}

qint64 AuthService::revokeSessions(const QString& userId)
{
    const qint64 ended = m_db.execute(QStringLiteral("DELETE FROM sessions WHERE user_id = ?"), {userId});
    if (ended > 0)
        m_events.sessionEnded(userId, QString());
    return ended;
}

void AuthService::expireAccessTokens(const std::optional<QString>& token)
{
    if (token)
        m_db.execute(QStringLiteral("UPDATE access_tokens SET expires_at = ? WHERE token = ?"),
            {m_clock.epochSeconds(), *token});
    else
        m_db.execute(QStringLiteral("UPDATE access_tokens SET expires_at = ?"), {m_clock.epochSeconds()});
}
