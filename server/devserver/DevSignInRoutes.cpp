// The devserver's browser sign-in: /auth/google/start and a page where a person picks any account or
// types an e-mail, no password; its link leads to /auth/google/complete, which redirects to
// plenko://auth/callback. Then the token exchange every server has.
#include "DevSignInRoutes.h"

#include "AccountPickerPage.h"
#include "AuthService.h"
#include "HttpError.h"
#include "LoginPage.h"
#include "Router.h"
#include "Services.h"

#include <QUrl>

namespace {

QString baseUrlOf(const ApiRequest& request)
{
    return QStringLiteral("http://") + QString::fromLatin1(request.header("Host"));
}

} // namespace

void Routes::addDevSignIn(Router& router, Services& s)
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
            return ApiResponse::html(AccountPickerPage::page(nonce, s.auth.accounts()));
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
