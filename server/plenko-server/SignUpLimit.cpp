#include "SignUpLimit.h"

#include "Clock.h"
#include "Database.h"

SignUpLimit::SignUpLimit(Database& db, const Clock& clock, int maxPerAddress, qint64 windowSeconds)
    : m_db(db)
    , m_clock(clock)
    , m_maxPerAddress(maxPerAddress)
    , m_windowSeconds(windowSeconds)
{
}

qint64 SignUpLimit::waitSeconds(const QString& address) const
{
    const qint64 now = m_clock.epochSeconds();
    const QList<Row> recent = m_db.query(
        QStringLiteral(
            "SELECT at FROM sign_up_attempts WHERE address = ? AND at > ? ORDER BY at DESC LIMIT ?"),
        {address, now - m_windowSeconds, m_maxPerAddress});
    if (recent.size() < m_maxPerAddress)
        return 0;
    // The oldest of the last allowed attempts leaves the window first.
    return recent.last().integer("at") + m_windowSeconds - now;
}

void SignUpLimit::recordAttempt(const QString& address)
{
    const qint64 now = m_clock.epochSeconds();
    m_db.transaction([&] {
        m_db.execute(QStringLiteral("DELETE FROM sign_up_attempts WHERE at <= ?"), {now - m_windowSeconds});
        m_db.execute(
            QStringLiteral("INSERT INTO sign_up_attempts (address, at) VALUES (?, ?)"), {address, now});
    });
}
