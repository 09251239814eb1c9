// "Log Out" from the account details: ends the sign-in, forgets the profile, then removes the cloud
// boards, their items and checkpoints from this computer. Local boards stay. Changes that have not
// reached the service are never removed unseen: the caller asks first, and signing out anyway
// writes them to a Markdown file before anything is cleared.
#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

class AuthState;
class BoardViewModel;
class ToastManager;
class UserViewModel;

class AccountSignOut
{
public:
    struct Outcome
    {
        bool signedOut = false;
        // The file the unsent changes were written to, when there were any.
        std::optional<QString> savedTo;
        // Why nothing was done: the unsent changes could not be written.
        QString error;
    };

    // With a folder, unsent changes and conflict copies are first written to a file there; if that
    // fails, nothing is signed out or cleared.
    static QCoro::Task<Outcome> run(AuthState* auth, BoardViewModel* workspace, UserViewModel* profile,
        std::optional<QString> saveUnsentTo = std::nullopt);

    // The service ended this session: the same sign-out, with unsent changes written to a file in
    // `folder` first, and a toast that says why (and where they went). Still signed in, with an
    // error toast, when the file could not be written.
    static QCoro::Task<Outcome> afterRevokedSession(AuthState* auth, BoardViewModel* workspace,
        UserViewModel* profile, ToastManager* toasts, QString folder);
};
