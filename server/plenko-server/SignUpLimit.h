// Limits sign-up attempts per network address over a sliding window. Every attempt counts, whether
// it made an account or not: made accounts are what a flood would want, and refusals are what
// someone probing for taken e-mails would get.
#pragma once

#include <QString>

class Clock;
class Database;

class SignUpLimit
{
public:
    SignUpLimit(Database& db, const Clock& clock, int maxPerAddress, qint64 windowSeconds);

    // Seconds until this address may try again; 0 when it may now.
    qint64 waitSeconds(const QString& address) const;
    void recordAttempt(const QString& address);

private:
    Database& m_db;
    const Clock& m_clock;
    int m_maxPerAddress;
    qint64 m_windowSeconds;
};
