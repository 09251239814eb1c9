// The signed-in person's own endpoints: profile, notification feed and feedback.
#include "AuthService.h"
#include "Clock.h"
#include "Database.h"
#include "HttpError.h"
#include "JsonBody.h"
#include "NotificationService.h"
#include "Router.h"
#include "Services.h"
#include "TextLimits.h"

void Routes::addAccount(Router& router, Services& s)
{
    router.add("GET", QStringLiteral("/api/users/me"), [&s](const ApiRequest& request, const QStringList&) {
        return ApiResponse::ofContractJson(
            QJsonObject {{QStringLiteral("user"), s.auth.authenticate(request).toUserJson()}});
    });

    // A look that marks nothing read is one statement after the sign-in's.
    const auto readsOnly = [](const ApiRequest& request) {
        return request.queryValue(QStringLiteral("readOnly")) == QLatin1String("true");
    };
    router.add(
        "GET", QStringLiteral("/api/notifications"),
        [&s, readsOnly](const ApiRequest& request, const QStringList&) {
            const Account me = s.auth.authenticate(request);
            return ApiResponse::ofContractJson(s.notifications.feed(me, readsOnly(request)));
        },
        [readsOnly](const ApiRequest& request) {
            // One that marks read writes only when there is something to mark.
            return readsOnly(request) ? TransactionStart::Autocommit : TransactionStart::Reading;
        });

    router.add("POST", QStringLiteral("/api/notifications/read-all"),
        [&s](const ApiRequest& request, const QStringList&) {
            s.notifications.markAllRead(s.auth.authenticate(request));
            return ApiResponse::noContent();
        });

    router.add("POST", QStringLiteral("/api/notifications/{id}/read"),
        [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            if (JsonBody::parse(request).requiredUuid(QStringLiteral("id")) != ids[0])
                throw HttpError::badRequest(QStringLiteral("\"id\" must be the notification of the path."));
            s.notifications.markRead(me, ids[0]);
            return ApiResponse::noContent();
        });

    router.add("POST", QStringLiteral("/api/feedback"), [&s](const ApiRequest& request, const QStringList&) {
        const Account me = s.auth.authenticate(request);
        const QString text = JsonBody::parse(request).requiredString(QStringLiteral("text"));
        if (text.trimmed().isEmpty())
            throw HttpError(
                400, QStringLiteral("EMPTY_FEEDBACK"), QStringLiteral("Feedback needs some text."));
        TextLimits::require(QStringLiteral("text"), text, TextLimits::feedback);
        s.db.execute(QStringLiteral("INSERT INTO feedback (user_id, text, created_at) VALUES (?, ?, ?)"),
            {me.id, text, s.clock.isoNow()});
        return ApiResponse::noContent();
    });
}
