#include "ServiceAccounts.h"

#include "devserver/Api.h"
#include "net/MemoryTokenStore.h"

#include <QCoro/QCoroTask>

namespace ServiceSteps {

QString sharedBoard(DevServer& server, const DevServer::Account& owner, const QString& name,
    const QList<const DevServer::Account*>& members)
{
    const QString board = Api::createBoard(server, owner.accessToken, name);
    for (const DevServer::Account* member : members)
        Api::join(server, member->accessToken, Api::invite(server, owner.accessToken, board));
    return board;
}

QString assignedItem(DevServer& server, const DevServer::Account& by, const QString& boardId,
    const DevServer::Account& to, const QString& content, const QString& status)
{
    const QString item = Api::newId();
    const QString path = QStringLiteral("/api/boards/%1/items/%2").arg(boardId, item);
    const DevServer::Reply added
        = server.request("POST", path, Api::bytes(Api::itemBody(boardId, content, status)), by.accessToken);
    if (added.status != 200 && added.status != 201)
        return {};
    const qint64 revision = added.object().value(QStringLiteral("revision")).toInteger(1);
    const DevServer::Reply assigned = server.request("PATCH", path,
        Api::bytes({{QStringLiteral("assignee"), to.userId}, {QStringLiteral("revision"), revision}}),
        by.accessToken);
    return assigned.status >= 200 && assigned.status < 300 ? item : QString();
}

qint64 unreadCount(DevServer& server, const DevServer::Account& account)
{
    const DevServer::Reply reply = server.request(
        "GET", QStringLiteral("/api/notifications?readOnly=true"), std::nullopt, account.accessToken);
    if (reply.status != 200)
        return -1;
    return reply.object().value(QStringLiteral("unreadCount7d")).toInteger(-1);
}

} // namespace ServiceSteps

ServiceAccounts::ServiceAccounts()
{
    if (!server.isRunning()) {
        m_error = server.errorString();
        return;
    }
    ann = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
    bob = server.createAccount(QStringLiteral("bob@example.com"), QStringLiteral("Bob"));
    eve = server.createAccount(QStringLiteral("eve@example.com"), QStringLiteral("Eve"));
    cy = server.createAccount(QStringLiteral("cy@example.com"), QStringLiteral("Cy"));
    if (!ann.isValid() || !bob.isValid() || !eve.isValid() || !cy.isValid()) {
        m_error = QStringLiteral("accounts not created: ") + server.errorString();
        return;
    }
    m_annApi
        = std::make_unique<NetworkService>(server.baseUrl().toString(), std::make_shared<MemoryTokenStore>());
    m_annApi->setRequestTimeout(std::chrono::seconds(5));
    QCoro::waitFor(m_annApi->setTokens(LoginTokens {ann.accessToken, ann.refreshToken}));
    m_ready = true;
}
