// plenko-server wired together: the contract's services on a migrated database, password sign-in
// instead of the devserver's account picker, the health endpoint, listening where the config says.
// The fault injector exists only because the HTTP front takes one; no route can arm it.
#pragma once

#include "AccountDirectory.h"
#include "DevHttpServer.h"
#include "Router.h"
#include "ServerConfig.h"
#include "ServiceStack.h"

#include <optional>

class PlenkoServer
{
public:
    explicit PlenkoServer(ServerConfig config);

    // Opens and migrates the database; returns the reason when it cannot.
    std::optional<QString> openDatabase();
    // Starts listening; returns the reason when it cannot.
    std::optional<QString> listen();
    quint16 port() const { return m_port; }
    AccountDirectory& accounts() { return m_accounts; }
    AuthService& auth() { return m_stack.auth; }

private:
    ServerConfig m_config;
    ServiceStack m_stack;
    AccountDirectory m_accounts;
    Router m_router;
    DevHttpServer m_server;
    quint16 m_port = 0;
};
