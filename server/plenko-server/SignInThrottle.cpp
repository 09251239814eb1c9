#include "SignInThrottle.h"

#include "Clock.h"
#include "Database.h"

#include <algorithm>
#include <optional>

namespace {

QString accountSubject(const QString& emailKey)
{
    return QStringLiteral("account:") + emailKey;
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

qint64 SignInThrottle::waitSeconds(const QString& emailKey, const QString& address) const
{
    return std::max(waitSeconds(accountSubject(emailKey), m_maxPerAccount),
        waitSeconds(addressSubject(address), m_maxPerAddress));
}

void SignInThrottle::recordFailure(const QString& emailKey, const QString& address)
{
    const qint64 now = m_clock.epochSeconds();
    m_db.transaction([&] {
        m_db.execute(QStringLiteral("DELETE FROM sign_in_failures WHERE at <= ?"), {now - m_windowSeconds});
        m_db.execute(QStringLiteral("INSERT INTO sign_in_failures (subject, at) VALUES (?, ?), (?, ?)"),
            {accountSubject(emailKey), now, addressSubject(address), now});
    });
}

void SignInThrottle::recordSuccess(const QString& emailKey)
{
    m_db.execute(
        QStringLiteral("DELETE FROM sign_in_failures WHERE subject = ?"), {accountSubject(emailKey)});
}

qint64 SignInThrottle::waitSeconds(const QString& subject, int limit) const
{
    // The limit-th newest failure within the window is the one whose expiry opens sign-in again.
    const qint64 now = m_clock.epochSeconds();
    const std::optional<Row> row = m_db.queryOne(
        QStringLiteral(
            "SELECT at FROM sign_in_failures WHERE subject = ? AND at > ? ORDER BY at DESC LIMIT 1 OFFSET ?"),
        {subject, now - m_windowSeconds, limit - 1});
    return row ? std::max<qint64>(1, row->integer("at") + m_windowSeconds - now) : 0;
}
