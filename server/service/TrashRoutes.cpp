// /api/boards/{boardId}/trash: the items deleted from a board in the last 30 days, restoring one,
// deleting one permanently, and emptying the trash.
#include "AuthService.h"
#include "Router.h"
#include "Services.h"
#include "TrashService.h"

void Routes::addTrash(Router& router, Services& s)
{
    const QString trash = QStringLiteral("/api/boards/{id}/trash");
    const QString item = trash + QStringLiteral("/{id}");
    auto service = [&s] { return TrashService(s.db, s.clock, s.boards); };

    router.add("GET", trash, [&s, service](const ApiRequest& request, const QStringList& ids) {
        return ApiResponse::ofContractJson(service().list(s.auth.authenticate(request), ids[0]));
    });
    router.add("DELETE", trash, [&s, service](const ApiRequest& request, const QStringList& ids) {
        service().empty(s.auth.authenticate(request), ids[0]);
        return ApiResponse::noContent();
    });
    router.add("POST", item + QStringLiteral("/restore"), [&s, service](const ApiRequest& request, const QStringList& ids) {
        return ApiResponse::ofContractJson(service().restore(s.auth.authenticate(request), ids[0], ids[1]));
    });
    router.add("DELETE", item, [&s, service](const ApiRequest& request, const QStringList& ids) {
        service().deletePermanently(s.auth.authenticate(request), ids[0], ids[1]);
        return ApiResponse::noContent();
    });
}
