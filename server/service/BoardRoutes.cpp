// /api/boards: boards, sync, invitations and members.
#include "AuthService.h"
#include "BoardService.h"
#include "HttpError.h"
#include "JsonBody.h"
#include "Router.h"
#include "Services.h"
#include "SyncService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

void Routes::addBoards(Router& router, Services& s)
{
    router.add("GET", QStringLiteral("/api/boards"), [&s](const ApiRequest& request, const QStringList&) {
        QJsonArray boards;
        for (const BoardRecord& board : s.boards.boardsOf(s.auth.authenticate(request)))
            boards.append(board.toJson());
        return ApiResponse::ofContractJson(boards);
    });

    router.add("POST", QStringLiteral("/api/boards"), [&s](const ApiRequest& request, const QStringList&) {
        const Account me = s.auth.authenticate(request);
        const JsonBody body = JsonBody::parse(request);
        return ApiResponse::ofContractJson(
            s.boards.create(me, body.requiredString(QStringLiteral("name"))).toJson());
    });

    router.add("PATCH", QStringLiteral("/api/boards/invitations"),
        [&s](const ApiRequest& request, const QStringList&) {
            const Account me = s.auth.authenticate(request);
            return ApiResponse::ofContractJson(
                s.boards.join(me, request.queryValue(QStringLiteral("code")), request.remoteAddress)
                    .toJson());
        });

    router.add(
        "GET", QStringLiteral("/api/boards/{id}"), [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            return ApiResponse::ofContractJson(s.boards.details(s.boards.requireMember(me, ids[0])));
        });

    router.add(
        "PATCH", QStringLiteral("/api/boards/{id}"), [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            s.boards.update(me, ids[0], JsonBody::parse(request));
            return ApiResponse::noContent();
        });

    router.add("DELETE", QStringLiteral("/api/boards/{id}"),
        [&s](const ApiRequest& request, const QStringList& ids) {
            s.boards.remove(s.auth.authenticate(request), ids[0]);
            return ApiResponse::noContent();
        });

    // Most syncs only read (nothing pending), each statement on its own; one that carries items
    // begins as a writer, rather than reading first and running again once it finds it must write.
    router.add(
        "POST", QStringLiteral("/api/boards/{id}/sync"),
        [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            return ApiResponse::ofContractJsonText(s.sync.sync(me, ids[0], JsonBody::parse(request)));
        },
        [](const ApiRequest& request) {
            // A body that is not JSON is refused by the handler, having written nothing.
            const QJsonValue items
                = QJsonDocument::fromJson(request.body).object().value(QStringLiteral("items"));
            return items.isArray() && !items.toArray().isEmpty() ? TransactionStart::Writing
                                                                 : TransactionStart::Autocommit;
        });

    router.add("POST", QStringLiteral("/api/boards/{id}/invitations"),
        [&s](const ApiRequest& request, const QStringList& ids) {
            const QString code = s.boards.createInvitation(s.auth.authenticate(request), ids[0]);
            return ApiResponse::ofContractJson(QJsonObject {{QStringLiteral("code"), code}});
        });

    router.add("DELETE", QStringLiteral("/api/boards/{id}/users"),
        [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            const std::optional<QString> userId = canonicalUuid(request.queryValue(QStringLiteral("userId")));
            if (!userId)
                throw HttpError::badRequest(QStringLiteral("\"userId\" must be the UUID of a member."));
            s.boards.removeMember(me, ids[0], *userId);
            return ApiResponse::noContent();
        });

    router.add("POST", QStringLiteral("/api/boards/{id}/users/transfer-ownership"),
        [&s](const ApiRequest& request, const QStringList& ids) {
            const Account me = s.auth.authenticate(request);
            const JsonBody body = JsonBody::parse(request);
            s.boards.transferOwnership(me, ids[0], body.requiredUuid(QStringLiteral("newOwnerId")));
            return ApiResponse::noContent();
        });
}
