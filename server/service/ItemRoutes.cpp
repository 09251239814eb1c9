// /api/boards/{boardId}/items/{itemId}: item writes and the text improvement.
#include "AuthService.h"
#include "BoardService.h"
#include "HttpError.h"
#include "ItemService.h"
#include "ItemStore.h"
#include "JsonBody.h"
#include "Router.h"
#include "Services.h"
#include "TextImprover.h"
#include "TextLimits.h"

void Routes::addItems(Router& router, Services& s)
{
    const QString item = QStringLiteral("/api/boards/{id}/items/{id}");

    router.add("POST", item, [&s](const ApiRequest& request, const QStringList& ids) {
        const Account me = s.auth.authenticate(request);
        return ApiResponse::ofContractJson(s.items.add(me, ids[0], ids[1], JsonBody::parse(request)));
    });

    router.add("PATCH", item, [&s](const ApiRequest& request, const QStringList& ids) {
        const Account me = s.auth.authenticate(request);
        return ApiResponse::ofContractJson(s.items.update(me, ids[0], ids[1], JsonBody::parse(request)));
    });

    router.add("DELETE", item, [&s](const ApiRequest& request, const QStringList& ids) {
        return ApiResponse::ofContractJson(s.items.remove(s.auth.authenticate(request), ids[0], ids[1]));
    });

    // The item need not be stored yet: the client may improve a text it has not synchronised.
    router.add(
        "POST", item + QStringLiteral("/improve"), [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            s.boards.requireMember(me, ids[0]);
            const QString content = JsonBody::parse(request).requiredString(QStringLiteral("content"));
            if (content.trimmed().isEmpty())
                throw HttpError(
                    400, QStringLiteral("EMPTY_CONTENT"), QStringLiteral("There is no text to improve."));
            if (const std::optional<QString> problem = ItemStore::contentProblem(content))
                throw HttpError(
                    400, TextLimits::refusalCode(content, QStringLiteral("CONTENT_TOO_LONG")), *problem);
            return ApiResponse::ofContractJson(QJsonObject {{QStringLiteral("original"), content},
                {QStringLiteral("improved"), TextImprover::improve(content)}});
        });
}
