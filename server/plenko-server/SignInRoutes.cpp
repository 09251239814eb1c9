#include "SignInRoutes.h"

#include "AccountDirectory.h"
#include "AttemptLimit.h"
#include "Database.h"
#include "HttpError.h"
#include "LoginPage.h"
#include "Router.h"
#include "Services.h"
#include "SignInPage.h"

#include <QJsonObject>
#include <QUrlQuery>
#include <functional>
#include <memory>

namespace {

// Sign-ins one network address may start within the window: each leaves a pending nonce behind,
// so starting them cannot be free (a busy office behind one address stays well below it).
constexpr int startsPerAddress = 30;
constexpr qint64 startWindowSeconds = 10 * 60;

// The fields of an application/x-www-form-urlencoded body, where '+' stands for a space.
QUrlQuery formOf(const ApiRequest& request)
{
    QByteArray body = request.body;
    body.replace('+', "%20");
    return QUrlQuery(QString::fromUtf8(body));
}

QString field(const QUrlQuery& form, const QString& name)
{
    return form.queryItemValue(name, QUrl::FullyDecoded);
}

ApiResponse expiredSignIn()
{
    return ApiResponse::html(
        LoginPage::problemPage(QStringLiteral("This sign-in has expired or was never started.")), 400);
}

ApiResponse redirectToApp(Services& s, const QString& nonce, const QString& userId)
{
    const QString ott = s.auth.issueLoginToken(nonce, userId);
    const QString callback
        = QStringLiteral("plenko://auth/callback?ott=") + QString::fromLatin1(QUrl::toPercentEncoding(ott));
    return ApiResponse::redirect(callback, LoginPage::redirectPage(callback));
}

using FormAction = std::function<Account(const QUrlQuery& form, const ApiRequest& request)>;

// A form posted from the sign-in page: its sign-in must still be pending; the action's account is
// sent back to the application, and its refusal is shown on the page to try again.
void addFormPost(
    Router& router, const QString& path, Services& s, AccountDirectory& accounts, FormAction action)
{
    router.add("POST", path, [&s, &accounts, action](const ApiRequest& request, const QStringList&) {
        const QUrlQuery form = formOf(request);
        const QString nonce = field(form, QStringLiteral("deviceNonce"));
        if (!s.auth.knowsNonce(nonce))
            return expiredSignIn();
        try {
            return redirectToApp(s, nonce, action(form, request).id);
        } catch (const HttpError& error) {
            // A failure with an inside story is answered, and logged, by the router.
            if (!error.detail.isEmpty())
                throw;
            ApiResponse page
                = ApiResponse::html(SignInPage::page(nonce, accounts.policy(), error.message), error.status);
            if (error.retryAfterSeconds > 0)
                page.headers.append({"Retry-After", QByteArray::number(error.retryAfterSeconds)});
            return page;
        }
    });
}

} // namespace

void ServerRoutes::addSignIn(
    Router& router, Services& s, AccountDirectory& accounts, const QUrl& publicBaseUrl, const QString& scheme)
{
    const auto starts = std::make_shared<AttemptLimit>(
        s.db, s.clock, QStringLiteral("sign-in-start"), startsPerAddress, startWindowSeconds);
    router.add("GET", QStringLiteral("/auth/google/start"),
        [&s, publicBaseUrl, scheme, starts](const ApiRequest& request, const QStringList&) {
            const QString nonce = request.queryValue(QStringLiteral("deviceNonce")).trimmed();
            if (nonce.isEmpty())
                throw HttpError::badRequest(QStringLiteral("\"deviceNonce\" is required."));
            starts->require(request.remoteAddress, QStringLiteral("TOO_MANY_SIGN_IN_STARTS"),
                QStringLiteral("Too many sign-ins started from your network address. Try again in %1."));
            s.auth.registerNonce(nonce);
            starts->record(request.remoteAddress);
            const QString base = publicBaseUrl.isEmpty()
                ? scheme + QStringLiteral("://") + QString::fromLatin1(request.header("Host"))
                : publicBaseUrl.toString();
            const QString loginUrl = base + QStringLiteral("/auth/google/page?deviceNonce=")
                + QString::fromLatin1(QUrl::toPercentEncoding(nonce));
            return ApiResponse::ofContractJson(QJsonObject {{QStringLiteral("loginUrl"), loginUrl}});
        });

    router.add("GET", QStringLiteral("/auth/google/page"),
        [&s, &accounts](const ApiRequest& request, const QStringList&) {
            const QString nonce = request.queryValue(QStringLiteral("deviceNonce"));
            if (!s.auth.knowsNonce(nonce))
                return expiredSignIn();
            return ApiResponse::html(SignInPage::page(nonce, accounts.policy()));
        });

    addFormPost(router, QStringLiteral("/auth/google/complete"), s, accounts,
        [&accounts](const QUrlQuery& form, const ApiRequest& request) {
            return accounts.signIn(field(form, QStringLiteral("email")),
                field(form, QStringLiteral("password")), request.remoteAddress);
        });

    addFormPost(router, QStringLiteral("/auth/google/signup"), s, accounts,
        [&accounts](const QUrlQuery& form, const ApiRequest& request) {
            return accounts.signUp(field(form, QStringLiteral("email")),
                field(form, QStringLiteral("displayName")), field(form, QStringLiteral("password")),
                request.remoteAddress);
        });
}

void ServerRoutes::addHealth(Router& router, Services& s)
{
    router.add("GET", QStringLiteral("/health"), [&s](const ApiRequest&, const QStringList&) {
        // Touches the database, so a server whose storage has gone away does not report healthy.
        s.db.queryOne(QStringLiteral("SELECT 1 AS one"));
        return ApiResponse::ofJson(QJsonObject {{QStringLiteral("status"), QStringLiteral("ok")}});
    });
}
