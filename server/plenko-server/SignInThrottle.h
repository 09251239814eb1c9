// Limits failed sign-ins, per account and per network address, over a sliding window, so a
// password cannot be guessed quickly from one place nor one account from many. Failures are kept in
// the database and so survive a restart.
#pragma once

#include <QString>

class Clock;
class Database;

class SignInThrottle
{
public:
    SignInThrottle(
        Database& db, const Clock& clock, int maxPerAccount, int maxPerAddress, qint64 windowSeconds);

    // Seconds until neither the account nor the address has used up its failures: 0 when sign-in
    // is open now. Accounts are named by the key of their e-mail (EmailAddress::key), the one
    // spelling-independent name the lookup uses too.
    qint64 waitSeconds(const QString& emailKey, const QString& address) const;
    void recordFailure(const QString& emailKey, const QString& address);
    // A successful sign-in clears the account's failures (not the address's: one right password
    // must not buy another round of guesses at other accounts).
    void recordSuccess(const QString& emailKey);

private:
    // Seconds until this subject's failures within the window fall below the limit; 0 when they are.
    qint64 waitSeconds(const QString& subject, int limit) const;

    Database& m_db;
    const Clock& m_clock;
    int m_maxPerAccount;
    int m_maxPerAddress;
    qint64 m_windowSeconds;
};
