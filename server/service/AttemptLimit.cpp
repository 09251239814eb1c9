#include "AttemptLimit.h"

#include "Clock.h"
#include "Database.h"
#include "HttpError.h"

#include <QList>
#include <algorithm>

AttemptLimit::AttemptLimit(
    Database& db, const Clock& clock, QString kind, int maxAttempts, qint64 windowSeconds)
    : m_db(db)
    , m_clock(clock)
    , m_kind(std::move(kind))
    , m_maxAttempts(maxAttempts)
    , m_windowSeconds(windowSeconds)
{
}

QString AttemptLimit::subjectKey(const QString& subject) const
{
    return m_kind + QLatin1Char(':') + subject;
}

qint64 AttemptLimit::waitSeconds(const QString& subject) const
{
    const qint64 now = m_clock.epochSeconds();
    const QList<Row> recent = m_db.query(
        QStringLiteral("SELECT at FROM attempts WHERE subject = ? AND at > ? ORDER BY at DESC LIMIT ?"),
        {subjectKey(subject), now - m_windowSeconds, m_maxAttempts});
    if (recent.size() < m_maxAttempts)
        return 0;
    // The oldest of the last allowed attempts leaves the window first.
    return std::max<qint64>(1, recent.last().integer("at") + m_windowSeconds - now);
}

void AttemptLimit::require(const QString& subject, const QString& code, const QString& message) const
{
    const qint64 wait = waitSeconds(subject);
    if (wait == 0)
        return;
    HttpError refusal(429, code, message.arg(waitText(wait)));
    refusal.retryAfterSeconds = wait;
    throw refusal;
}

void AttemptLimit::record(const QString& subject)
{
    const qint64 now = m_clock.epochSeconds();
    // Subjects of this kind sort between "<kind>:" and "<kind>;" (';' follows ':').
    m_db.execute(QStringLiteral("DELETE FROM attempts WHERE subject >= ? AND subject < ? AND at <= ?"),
        {m_kind + QLatin1Char(':'), m_kind + QLatin1Char(';'), now - m_windowSeconds});
    m_db.execute(
        QStringLiteral("INSERT INTO attempts (subject, at) VALUES (?, ?)"), {subjectKey(subject), now});
}

QString AttemptLimit::waitText(qint64 seconds)
{
    const qint64 minutes = (seconds + 59) / 60;
    return minutes == 1 ? QStringLiteral("a minute") : QStringLiteral("%1 minutes").arg(minutes);
}
