// Documents outside the API that the application reads without a token.
#include "ReleaseFeed.h"
#include "Router.h"
#include "Services.h"

void Routes::addPublic(Router& router, Services& s)
{
    router.add("GET", QStringLiteral("/changelog.json"),
        [&s](const ApiRequest&, const QStringList&) { return ApiResponse::ofJson(s.releases.changelog()); });

    router.add("GET", QStringLiteral("/appcast.json"), [&s](const ApiRequest& request, const QStringList&) {
        return ApiResponse::ofJson(
            s.releases.appcast(QStringLiteral("http://") + QString::fromLatin1(request.header("Host"))));
    });

    router.add(
        "GET", QStringLiteral("/releases/{segment}"), [&s](const ApiRequest&, const QStringList& parts) {
            return ApiResponse::html(s.releases.releasePage(parts[0]));
        });
}
