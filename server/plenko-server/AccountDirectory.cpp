#include "AccountDirectory.h"

#include "Clock.h"
#include "Database.h"
#include "HttpError.h"
#include "PasswordHash.h"

namespace {

// A wait in whole minutes, rounded up, as a person reads it.
QString waitText(qint64 seconds)
{
    const qint64 minutes = (seconds + 59) / 60;
    return minutes == 1 ? QStringLiteral("a minute") : QStringLiteral("%1 minutes").arg(minutes);
}

QString checkedEmail(const QString& email)
{
    const QString address = email.trimmed();
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at < 1 || at == address.size() - 1 || address.contains(QLatin1Char(' ')))
        throw HttpError(400, QStringLiteral("INVALID_EMAIL"),
            QStringLiteral("\"%1\" is not an e-mail address.").arg(address));
    return address;
}

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
            QStringLiteral("Too many sign-ups from your network address. Try again in %1.").arg(waitText(wait)));
        refusal.retryAfterSeconds = wait;
        throw refusal;
    }
    m_signUps.recordAttempt(client);
    const QString address = checkedEmail(email);
    if (password.size() < minimumPasswordLength || password.size() > maximumPasswordLength)
        throw HttpError(400, QStringLiteral("INVALID_PASSWORD"),
            QStringLiteral("The password needs %1 to %2 characters.")
                .arg(minimumPasswordLength)
                .arg(maximumPasswordLength));
    const bool taken
        = m_db.queryOne(QStringLiteral("SELECT id FROM accounts WHERE lower(email) = lower(?)"), {address}).has_value();
    // Open sign-up cannot hide a taken e-mail (a free one gets its account); invitation-only can.
    if (taken && m_policy == SignUpPolicy::Open)
        throw HttpError(409, QStringLiteral("ACCOUNT_EXISTS"),
            QStringLiteral("There is already an account for %1. Sign in instead.").arg(address));
    if (m_policy == SignUpPolicy::Invitation
        && (taken
            || !m_db.queryOne(
                QStringLiteral("SELECT email FROM signup_invitations WHERE lower(email) = lower(?) AND used_at IS NULL"),
                {address})))
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
        m_db.execute(
            QStringLiteral("UPDATE signup_invitations SET used_at = ? WHERE lower(email) = lower(?)"),
            {m_clock.isoNow(), address});
    });
    return account;
}

Account AccountDirectory::signIn(const QString& email, const QString& password, const QString& address)
{
    const QString trimmed = email.trimmed();
    if (const qint64 wait = m_throttle.waitSeconds(trimmed, address); wait > 0) {
        HttpError refusal(429, QStringLiteral("TOO_MANY_ATTEMPTS"),
            QStringLiteral("Too many failed sign-ins. Try again in %1.").arg(waitText(wait)));
        refusal.retryAfterSeconds = wait;
        throw refusal;
    }
    const std::optional<Row> row = m_db.queryOne(
        QStringLiteral("SELECT a.id AS id, p.hash AS hash FROM accounts a JOIN account_passwords p"
                       " ON p.user_id = a.id WHERE lower(a.email) = lower(?)"),
        {trimmed});
    bool matches = false;
    if (row)
        matches = PasswordHash::verify(row->text("hash"), password);
    else
        PasswordHash::verify(decoyHash(), password);
    if (!matches) {
        m_throttle.recordFailure(trimmed, address);
        throw HttpError(401, QStringLiteral("WRONG_PASSWORD"), QStringLiteral("Wrong e-mail or password."));
    }
    m_throttle.recordSuccess(trimmed);
    return *m_auth.account(row->text("id"));
}

void AccountDirectory::invite(const QString& email)
{
    m_db.execute(QStringLiteral("INSERT INTO signup_invitations (email, created_at) VALUES (?, ?)"
                                " ON CONFLICT DO NOTHING"),
        {checkedEmail(email), m_clock.isoNow()});
}
