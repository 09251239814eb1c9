#include "app/ViewContext.h"

#include "session/AuthState.h"

bool ViewContext::isSignedIn() const
{
    return auth && auth->isLoggedIn();
}

std::optional<QUuid> ViewContext::currentUserId() const
{
    if (!auth || !auth->currentUser())
        return std::nullopt;
    return auth->currentUser()->id;
}
