#include "session/AccountSignOut.h"

#include "session/AuthState.h"
#include "session/UserViewModel.h"
#include "workspace/BoardViewModel.h"

#include <QPointer>

QCoro::Task<void> AccountSignOut::run(AuthState* auth, BoardViewModel* workspace, UserViewModel* profile)
{
    QPointer<AuthState> authGuard(auth);
    QPointer<BoardViewModel> workspaceGuard(workspace);
    QPointer<UserViewModel> profileGuard(profile);
    if (profileGuard)
        profileGuard->clearProfile();
    if (authGuard)
        co_await authGuard->signOut();
    if (workspaceGuard)
        workspaceGuard->clearCloudDataAfterSignOut();
}
