#include "session/AccountSignOut.h"

#include "session/AuthState.h"
#include "session/UserViewModel.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

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

QCoro::Task<AccountSignOut::Outcome> AccountSignOut::afterRevokedSession(
    AuthState* auth, BoardViewModel* workspace, UserViewModel* profile, ToastManager* toasts, QString folder)
{
    QPointer<AuthState> authGuard(auth);
    QPointer<ToastManager> toastsGuard(toasts);
    if (!authGuard || !authGuard->isLoggedIn())
        co_return Outcome {};
    const Outcome outcome = co_await run(auth, workspace, profile, std::move(folder));
    if (!toastsGuard)
        co_return outcome;
    if (!outcome.signedOut) {
        toasts->showError(
            QStringLiteral("This sign-in was ended on the service, but your unsent changes could not be saved: ")
            + outcome.error);
        co_return outcome;
    }
    QString message = QStringLiteral("Signed out: this sign-in was ended on the service.");
    if (outcome.savedTo)
        message += QStringLiteral(" Unsent changes were saved to ") + *outcome.savedTo;
    toasts->showToast(ToastType::info, message, ToastManager::errorSeconds);
    co_return outcome;
}
