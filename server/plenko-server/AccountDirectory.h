// Accounts with passwords: sign-up under the configured policy, invitations for invitation-only
// sign-up, and password sign-in guarded by the throttle. Refusals are HttpErrors whose message is
// fit to show on the sign-in page.
#pragma once

#include "AuthService.h"
#include "ServerConfig.h"
#include "SignInThrottle.h"
#include "SignUpLimit.h"

class Clock;
class Database;

class AccountDirectory
{
public:
    AccountDirectory(Database& db, const Clock& clock, AuthService& auth, const ServerConfig& config);

    SignUpPolicy policy() const { return m_policy; }

    // Creates the account; 429 (with a retry time) once the address has used up its sign-ups, 400
    // for a bad e-mail or a password the policy refuses (PasswordPolicy). Under open sign-up an e-mail
    // that has an account answers 409; under invitation-only it answers as one without an
    // invitation (403), which it is, as its invitation was used.
    Account signUp(
        const QString& email, const QString& displayName, const QString& password, const QString& address);
    // The account whose password this is; 401 for a wrong e-mail or password (the same answer for
    // both, so the page does not tell which e-mails have accounts), 429 while throttled.
    Account signIn(const QString& email, const QString& password, const QString& address);
    // Lets this e-mail create an account when sign-up is by invitation; 400 for a bad e-mail.
    // Invitations are kept under the e-mail's key (EmailAddress::key).
    void invite(const QString& email);

private:
    Database& m_db;
    const Clock& m_clock;
    AuthService& m_auth;
    SignUpPolicy m_policy;
    SignInThrottle m_throttle;
    SignUpLimit m_signUps;
};
