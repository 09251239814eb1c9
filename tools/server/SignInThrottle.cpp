#include "SignInThrottle.h"

#include "Clock.h"
#include "Database.h"

namespace {

QString accountSubject(const QString& email)
{
    return QStringLiteral("account:") + email.trimmed().toLower();
}

QString addressSubject(const QString& address)
{
    return QStringLiteral("address:") + address;
}

} // namespace

SignInThrottle::SignInThrottle(
    Database& db, const Clock& clock, int maxPerAccount, int maxPerAddress, qint64 windowSeconds)
    : m_db(db)
    , m_clock(clock)
    , m_maxPerAccount(maxPerAccount)
    , m_maxPerAddress(maxPerAddress)
    , m_windowSeconds(windowSeconds)
{
}

bool SignInThrottle::isBlocked(const QString& email, const QString& address) const
{
    return failures(accountSubject(email)) >= m_maxPerAccount
        || failures(addressSubject(address)) >= m_maxPerAddress;
}

void SignInThrottle::recordFailure(const QString& email, const QString& address)
{
    const qint64 now = m_clock.epochSeconds();
    m_db.transaction([&] {
        m_db.execute(QStringLiteral("DELETE FROM sign_in_failures WHERE at <= ?"), {now - m_windowSeconds});
        m_db.execute(QStringLiteral("INSERT INTO sign_in_failures (subject, at) VALUES (?, ?), (?, ?)"),
            {accountSubject(email), now, addressSubject(address), now});
    });
}

void SignInThrottle::recordSuccess(const QString& email)
{
    m_db.execute(QStringLiteral("DELETE FROM sign_in_failures WHERE subject = ?"), {accountSubject(email)});
}

int SignInThrottle::failures(const QString& subject) const
{
    return int(m_db.queryOne(QStringLiteral(
                                 "SELECT COUNT(*) AS n FROM sign_in_failures WHERE subject = ? AND at > ?"),
                       {subject, m_clock.epochSeconds() - m_windowSeconds})
                   ->integer("n"));
}
