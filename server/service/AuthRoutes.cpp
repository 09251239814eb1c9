// /auth/login, /auth/refresh and /auth/logout: the token exchange every server has, whatever its
// browser sign-in.
#include "AuthService.h"
#include "JsonBody.h"
#include "Router.h"
#include "Services.h"

namespace {

SessionClient clientOf(const ApiRequest& request)
{
    return {request.remoteAddress, QString::fromUtf8(request.header("User-Agent"))};
}

} // namespace

void Routes::addTokenExchange(Router& router, Services& s)
{
    router.add("POST", QStringLiteral("/auth/login"), [&s](const ApiRequest& request, const QStringList&) {
        const JsonBody body = JsonBody::parse(request);
        const TokenPair tokens = s.auth.completeLogin(body.requiredString(QStringLiteral("deviceNonce")),
            body.requiredString(QStringLiteral("ott")), clientOf(request));
        return ApiResponse::ofContractJson(tokens.toJson());
    });

    router.add("POST", QStringLiteral("/auth/refresh"), [&s](const ApiRequest& request, const QStringList&) {
        const JsonBody body = JsonBody::parse(request);
        return ApiResponse::ofContractJson(
            s.auth.refresh(body.requiredString(QStringLiteral("refreshToken")), clientOf(request)).toJson());
    });

    router.add("POST", QStringLiteral("/auth/logout"), [&s](const ApiRequest& request, const QStringList&) {
        const JsonBody body = JsonBody::parse(request);
        s.auth.logout(body.requiredString(QStringLiteral("refreshToken")));
        return ApiResponse::noContent();
    });
}
