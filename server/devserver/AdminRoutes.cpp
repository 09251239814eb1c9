// /__admin/*: test controls that are not part of the service's contract. They are never subject to
// injected faults and need no token; the devserver only listens on 127.0.0.1.
#include "AdminRoutes.h"

#include "AuthService.h"
#include "Clock.h"
#include "Database.h"
#include "FaultInjector.h"
#include "HttpError.h"
#include "JsonBody.h"
#include "Router.h"
#include "Schema.h"
#include "Services.h"

#include <QJsonArray>
#include <QJsonDocument>

void Routes::addAdmin(Router& router, Services& s, FaultInjector& faults)
{
    router.add(
        "POST", QStringLiteral("/__admin/accounts"), [&s](const ApiRequest& request, const QStringList&) {
            const JsonBody body = JsonBody::parse(request);
            const Account account = s.auth.findOrCreateAccount(body.requiredString(QStringLiteral("email")),
                body.optionalString(QStringLiteral("displayName")).value_or(QString()));
            const TokenPair tokens = s.auth.openSession(account.id);
            return ApiResponse::ofJson(QJsonObject {{QStringLiteral("userId"), account.id},
                {QStringLiteral("accessToken"), tokens.accessToken},
                {QStringLiteral("refreshToken"), tokens.refreshToken}});
        });

    router.add(
        "POST", QStringLiteral("/__admin/reset"), [&s, &faults](const ApiRequest&, const QStringList&) {
            Schema::clear(s.db);
            faults.clear();
            s.clock.reset();
            return ApiResponse::noContent();
        });

    router.add("POST", QStringLiteral("/__admin/clock"), [&s](const ApiRequest& request, const QStringList&) {
        const qint64 seconds = JsonBody::parse(request).requiredInteger(QStringLiteral("advanceSeconds"));
        if (seconds < 0)
            throw HttpError::badRequest(QStringLiteral("The clock only moves forward."));
        s.clock.advance(seconds);
        return ApiResponse::ofJson(QJsonObject {{QStringLiteral("now"), s.clock.isoNow()}});
    });

    router.add("POST", QStringLiteral("/__admin/tokens/expire"),
        [&s](const ApiRequest& request, const QStringList&) {
            s.auth.expireAccessTokens(
                JsonBody::parse(request, true).optionalString(QStringLiteral("accessToken")));
            return ApiResponse::noContent();
        });

    router.add(
        "POST", QStringLiteral("/__admin/faults"), [&faults](const ApiRequest& request, const QStringList&) {
            const QJsonDocument document = QJsonDocument::fromJson(request.body);
            const std::expected<Fault, QString> fault = Fault::fromJson(document.object());
            if (!fault)
                throw HttpError::badRequest(fault.error());
            faults.arm(*fault);
            return ApiResponse::noContent();
        });

    router.add("DELETE", QStringLiteral("/__admin/faults"), [&faults](const ApiRequest&, const QStringList&) {
        faults.clear();
        return ApiResponse::noContent();
    });

    router.add("GET", QStringLiteral("/__admin/feedback"), [&s](const ApiRequest&, const QStringList&) {
        QJsonArray items;
        for (const Row& row :
            s.db.query(QStringLiteral("SELECT user_id, text, created_at FROM feedback ORDER BY id")))
            items.append(QJsonObject {{QStringLiteral("userId"), row.text("user_id")},
                {QStringLiteral("text"), row.text("text")},
                {QStringLiteral("createdAt"), row.text("created_at")}});
        return ApiResponse::ofJson(QJsonObject {{QStringLiteral("items"), items}});
    });
}
