// Documents outside the API that the application reads without a token.
#include "ReleaseFeed.h"
#include "Router.h"
#include "ServerOptions.h"
#include "Services.h"

void Routes::addPublic(Router& router, Services& s)
{
    router.add("GET", QStringLiteral("/changelog.json"),
        [&s](const ApiRequest&, const QStringList&) { return ApiResponse::ofJson(s.releases.changelog()); });

    router.add("GET", QStringLiteral("/appcast.json"), [&s](const ApiRequest& request, const QStringList&) {
        const QString base = !s.options.publicBaseUrl.isEmpty()
            ? s.options.publicBaseUrl
            : s.options.scheme + QStringLiteral("://") + QString::fromLatin1(request.header("Host"));
        return ApiResponse::ofJson(s.releases.appcast(base));
    });

    router.add(
        "GET", QStringLiteral("/releases/{segment}"), [&s](const ApiRequest&, const QStringList& parts) {
            return ApiResponse::html(s.releases.releasePage(parts[0]));
        });
}
