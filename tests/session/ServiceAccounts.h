// The stand-in service with four people (Ann, Bob, Eve, Cy) and a client transport signed in as Ann,
// plus the raw steps that make notifications: a board shared by invitation, an item assigned.
#pragma once

#include "net/NetworkService.h"
#include "support/DevServer.h"

#include <QList>
#include <QString>
#include <memory>

namespace ServiceSteps {

// A cloud board of the owner that the members joined (each joining notifies the owner).
QString sharedBoard(DevServer& server, const DevServer::Account& owner, const QString& name,
    const QList<const DevServer::Account*>& members);
// An item added by `by` in that status, then assigned to `to` (which notifies `to`). Its id.
QString assignedItem(DevServer& server, const DevServer::Account& by, const QString& boardId,
    const DevServer::Account& to, const QString& content, const QString& status = QStringLiteral("TODO"));
// The service's unread count for the account, or -1 when it could not be read.
qint64 unreadCount(DevServer& server, const DevServer::Account& account);

} // namespace ServiceSteps

class ServiceAccounts
{
public:
    ServiceAccounts();

    bool isReady() const { return m_ready; }
    QString error() const { return m_error; }
    NetworkService& annApi() { return *m_annApi; }

    QString sharedBoard(const QString& name, const QList<const DevServer::Account*>& members)
    {
        return ServiceSteps::sharedBoard(server, ann, name, members);
    }
    QString assignItem(const DevServer::Account& by, const QString& boardId, const DevServer::Account& to,
        const QString& content)
    {
        return ServiceSteps::assignedItem(server, by, boardId, to, content);
    }
    qint64 unreadCount(const DevServer::Account& account)
    {
        return ServiceSteps::unreadCount(server, account);
    }

    DevServer server;
    DevServer::Account ann;
    DevServer::Account bob;
    DevServer::Account eve;
    DevServer::Account cy;

private:
    std::unique_ptr<NetworkService> m_annApi;
    bool m_ready = false;
    QString m_error;
};
