// /auth/*: the devserver's browser sign-in (any account, no password), token exchange, refresh and
// logout.
#include "AuthService.h"
#include "HttpError.h"
#include "JsonBody.h"
#include "LoginPage.h"
#include "Router.h"
#include "Services.h"

#include <QUrl>

namespace {

SessionClient clientOf(const ApiRequest& request)
{
    return {request.remoteAddress, QString::fromUtf8(request.header("User-Agent"))};
}

QString baseUrlOf(const ApiRequest& request)
{
    return QStringLiteral("http://") + QString::fromLatin1(request.header("Host"));
}

} // namespace

void Routes::addAuth(Router& router, Services& s)
{
    router.add(
        "GET", QStringLiteral("/auth/google/start"), [&s](const ApiRequest& request, const QStringList&) {
            const QString nonce = request.queryValue(QStringLiteral("deviceNonce")).trimmed();
            if (nonce.isEmpty())
                throw HttpError::badRequest(QStringLiteral("\"deviceNonce\" is required."));
            s.auth.registerNonce(nonce);
            const QString loginUrl = baseUrlOf(request) + QStringLiteral("/auth/google/page?deviceNonce=")
                + QString::fromLatin1(QUrl::toPercentEncoding(nonce));
            return ApiResponse::ofContractJson(QJsonObject {{QStringLiteral("loginUrl"), loginUrl}});
        });

    router.add(
        "GET", QStringLiteral("/auth/google/page"), [&s](const ApiRequest& request, const QStringList&) {
            const QString nonce = request.queryValue(QStringLiteral("deviceNonce"));
            if (!s.auth.knowsNonce(nonce))
                return ApiResponse::html(
                    LoginPage::problemPage(QStringLiteral("This sign-in has expired or was never started.")),
                    400);
            return ApiResponse::html(LoginPage::page(nonce, s.auth.accounts()));
        });

    router.add(
        "GET", QStringLiteral("/auth/google/complete"), [&s](const ApiRequest& request, const QStringList&) {
            const QString nonce = request.queryValue(QStringLiteral("deviceNonce"));
            if (!s.auth.knowsNonce(nonce))
                return ApiResponse::html(
                    LoginPage::problemPage(QStringLiteral("This sign-in has expired or was never started.")),
                    400);
            Account account;
            try {
                account = s.auth.findOrCreateAccount(request.queryValue(QStringLiteral("email")),
                    request.queryValue(QStringLiteral("displayName")));
            } catch (const HttpError& error) {
                return ApiResponse::html(LoginPage::problemPage(error.message), error.status);
            }
            const QString ott = s.auth.issueLoginToken(nonce, account.id);
            const QString callback = QStringLiteral("plenko://auth/callback?ott=")
                + QString::fromLatin1(QUrl::toPercentEncoding(ott));
            return ApiResponse::redirect(callback, LoginPage::redirectPage(callback));
        });

    addTokenExchange(router, s);
}

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
