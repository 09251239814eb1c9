#include "AuthService.h"
#include "Router.h"
#include "Services.h"

void Routes::addEvents(Router& router, Services& s)
{
    router.add("GET", QStringLiteral("/api/events"), [&s](const ApiRequest& request, const QStringList&) {
        const auto [account, sessionId] = s.auth.authenticateSession(request);
        ApiResponse response;
        response.eventStream = EventStreamGrant {account.id, sessionId, s.auth.accessExpiresAt(request)};
        return response;
    });
}
