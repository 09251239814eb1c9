// plenko-server wired together: the contract's services on a migrated database, password sign-in
// instead of the devserver's account picker, the health endpoint, listening where the config says.
// Requests are carried out by a pool of workers, each with its own connection and services; the
// server's own stack here migrates the database and serves the operator commands.
#pragma once

#include "AccountDirectory.h"
#include "EventHub.h"
#include "HttpFront.h"
#include "PostgresEventRelay.h"
#include "ServerConfig.h"
#include "ServiceStack.h"
#include "WorkerPool.h"

#include <optional>

class PlenkoServer
{
public:
    explicit PlenkoServer(ServerConfig config);
    ~PlenkoServer();

    // Opens and migrates the database; returns the reason when it cannot.
    std::optional<QString> openDatabase();
    // Starts the workers and listens; returns the reason when it cannot.
    std::optional<QString> listen();
    quint16 port() const { return m_front.port(); }
    AccountDirectory& accounts() { return m_accounts; }
    AuthService& auth() { return m_stack.auth; }

private:
    std::expected<WorkerPool::Handler, QString> makeWorker();
    QString shownDatabase() const;

    ServerConfig m_config;
    ServiceStack m_stack;
    AccountDirectory m_accounts;
    WorkerPool m_workers;
    EventHub m_events;
    PostgresEventRelay m_relay;
    HttpFront m_front;
};
