#include "AccountDirectory.h"

#include "AttemptLimit.h"
#include "Clock.h"
#include "Database.h"
#include "EmailAddress.h"
#include "HttpError.h"
#include "PasswordHash.h"
#include "PasswordPolicy.h"

namespace {

// Verifying against a hash of nothing when the e-mail is unknown costs as long as a real check, so
// the answer's timing does not tell which e-mails have accounts.
const QString& decoyHash()
{
    static const QString hash = PasswordHash::hash(QStringLiteral("no account has this")).value_or(QString());
    return hash;
}

} // namespace

AccountDirectory::AccountDirectory(
    Database& db, const Clock& clock, AuthService& auth, const ServerConfig& config)
    : m_db(db)
    , m_clock(clock)
    , m_auth(auth)
    , m_policy(config.signUp)
    , m_throttle(
          db, clock, config.maxFailuresPerAccount, config.maxFailuresPerAddress, config.failureWindowSeconds)
    , m_signUps(db, clock, config.maxSignUpsPerAddress, config.signUpWindowSeconds)
{
}

Account AccountDirectory::signUp(
    const QString& email, const QString& displayName, const QString& password, const QString& client)
{
    if (const qint64 wait = m_signUps.waitSeconds(client); wait > 0) {
        HttpError refusal(429, QStringLiteral("TOO_MANY_SIGN_UPS"),
            QStringLiteral("Too many sign-ups from your network address. Try again in %1.")
                .arg(AttemptLimit::waitText(wait)));
        refusal.retryAfterSeconds = wait;
        throw refusal;
    }
    m_signUps.recordAttempt(client);
    const QString address = EmailAddress::checked(email);
    const QString key = EmailAddress::key(address);
    if (const std::optional<QString> problem = PasswordPolicy::problem(password))
        throw HttpError(400, QStringLiteral("INVALID_PASSWORD"), *problem);
    const bool taken
        = m_db.queryOne(QStringLiteral("SELECT id FROM accounts WHERE email_key = ?"), {key}).has_value();
    // Open sign-up cannot hide a taken e-mail (a free one gets its account); invitation-only can.
    if (taken && m_policy == SignUpPolicy::Open)
        throw HttpError(409, QStringLiteral("ACCOUNT_EXISTS"),
            QStringLiteral("There is already an account for %1. Sign in instead.").arg(address));
    if (m_policy == SignUpPolicy::Invitation
        && (taken
            || !m_db.queryOne(
                QStringLiteral("SELECT email FROM signup_invitations WHERE email = ? AND used_at IS NULL"),
                {key})))
        throw HttpError(403, QStringLiteral("NOT_INVITED"),
            QStringLiteral("This service creates accounts by invitation only, and %1 has none. Ask the "
                           "people who run it to invite you.")
                .arg(address));
    const std::optional<QString> hash = PasswordHash::hash(password);
    if (!hash)
        throw HttpError(503, QStringLiteral("PASSWORD_HASH_FAILED"),
            QStringLiteral("The service is too busy to create the account. Try again in a moment."));
    Account account;
    m_db.transaction([&] {
        account = m_auth.findOrCreateAccount(address, displayName);
        m_db.execute(QStringLiteral("INSERT INTO account_passwords (user_id, hash) VALUES (?, ?)"),
            {account.id, *hash});
        m_db.execute(QStringLiteral("UPDATE signup_invitations SET used_at = ? WHERE email = ?"),
            {m_clock.isoNow(), key});
    });
    return account;
}

Account AccountDirectory::signIn(const QString& email, const QString& password, const QString& address)
{
    // Not an address, or a password longer than any account's: no account can match, and neither
    // is worth a row of the throttle.
    const QString key = EmailAddress::key(EmailAddress::checked(email));
    if (password.size() > PasswordPolicy::maximumLength)
        throw HttpError(400, QStringLiteral("INVALID_PASSWORD"),
            QStringLiteral("A password has at most %1 characters.").arg(PasswordPolicy::maximumLength));
    if (const qint64 wait = m_throttle.waitSeconds(key, address); wait > 0) {
        HttpError refusal(429, QStringLiteral("TOO_MANY_ATTEMPTS"),
            QStringLiteral("Too many failed sign-ins. Try again in %1.").arg(AttemptLimit::waitText(wait)));
        refusal.retryAfterSeconds = wait;
        throw refusal;
    }
    const std::optional<Row> row = m_db.queryOne(
        QStringLiteral("SELECT a.id AS id, p.hash AS hash FROM accounts a JOIN account_passwords p"
                       " ON p.user_id = a.id WHERE a.email_key = ?"),
        {key});
    bool matches = false;
    if (row)
        matches = PasswordHash::verify(row->text("hash"), password);
    else
        PasswordHash::verify(decoyHash(), password);
    if (!matches) {
        m_throttle.recordFailure(key, address);
        throw HttpError(401, QStringLiteral("WRONG_PASSWORD"), QStringLiteral("Wrong e-mail or password."));
    }
    m_throttle.recordSuccess(key);
    return *m_auth.account(row->text("id"));
}

void AccountDirectory::invite(const QString& email)
{
    m_db.execute(QStringLiteral("INSERT INTO signup_invitations (email, created_at) VALUES (?, ?)"
                                " ON CONFLICT DO NOTHING"),
        {EmailAddress::key(EmailAddress::checked(email)), m_clock.isoNow()});
}
