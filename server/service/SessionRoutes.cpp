// /api/sessions: the signed-in person's sign-ins (one per refresh-token family), so a lost laptop's
// session can be ended from another.
#include "AuthService.h"
#include "HttpError.h"
#include "Router.h"
#include "Services.h"

#include <QJsonArray>

void Routes::addSessions(Router& router, Services& s)
{
    router.add("GET", QStringLiteral("/api/sessions"), [&s](const ApiRequest& request, const QStringList&) {
        const auto [me, current] = s.auth.authenticateSession(request);
        QJsonArray sessions;
        for (const SessionInfo& session : s.auth.sessions(me.id))
            sessions.append(session.toJson(current));
        return ApiResponse::ofContractJson(QJsonObject {{QStringLiteral("sessions"), sessions}});
    });

    router.add("DELETE", QStringLiteral("/api/sessions/{id}"),
        [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            // Another person's session answers as a missing one, so ids cannot be probed.
            if (!s.auth.revokeSession(me.id, ids[0]))
                throw HttpError(
                    404, QStringLiteral("NOT_FOUND"), QStringLiteral("You have no such session."));
            return ApiResponse::noContent();
        });
}
