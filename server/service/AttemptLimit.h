// A limit on how often one subject (an address, an account) may try something within a sliding
// window, counted in the database so it holds across restarts and server processes. Each kind of
// attempt keeps its rows apart by a prefix of the subject.
#pragma once

#include <QString>

class Clock;
class Database;

class AttemptLimit
{
public:
    AttemptLimit(Database& db, const Clock& clock, QString kind, int maxAttempts, qint64 windowSeconds);

    // Seconds until the subject may try again; 0 when it may now.
    qint64 waitSeconds(const QString& subject) const;
    // 429 with code and Retry-After while the subject waits; `message` gets the wait as "%1"
    // ("3 minutes").
    void require(const QString& subject, const QString& code, const QString& message) const;
    // Counts one attempt, and forgets those of this kind that have left the window.
    void record(const QString& subject);

    // A wait in whole minutes, rounded up, as a person reads it.
    static QString waitText(qint64 seconds);

private:
    QString subjectKey(const QString& subject) const;

    Database& m_db;
    const Clock& m_clock;
    QString m_kind;
    int m_maxAttempts;
    qint64 m_windowSeconds;
};
