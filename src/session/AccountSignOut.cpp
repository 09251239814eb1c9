#include "session/AccountSignOut.h"

#include "session/AuthState.h"
#include "session/UserViewModel.h"
#include "workspace/BoardViewModel.h"

#include <QPointer>

QCoro::Task<AccountSignOut::Outcome> AccountSignOut::run(
    AuthState* auth, BoardViewModel* workspace, UserViewModel* profile, std::optional<QString> saveUnsentTo)
{
    QPointer<AuthState> authGuard(auth);
    QPointer<BoardViewModel> workspaceGuard(workspace);
    QPointer<UserViewModel> profileGuard(profile);
    Outcome outcome;
    if (saveUnsentTo && workspaceGuard && !workspaceGuard->unsentChanges().isEmpty()) {
        const auto saved = workspaceGuard->exportUnsentChanges(*saveUnsentTo);
        if (!saved) {
            outcome.error = saved.error();
            co_return outcome;
        }
        outcome.savedTo = *saved;
    }
    if (profileGuard)
        profileGuard->clearProfile();
    if (authGuard)
        co_await authGuard->signOut();
    if (workspaceGuard)
        workspaceGuard->clearCloudDataAfterSignOut();
    outcome.signedOut = true;
    co_return outcome;
}
