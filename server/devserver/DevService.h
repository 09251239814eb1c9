// The whole stand-in service: storage, the services, the route tables and the HTTP front, wired
// together and listening on 127.0.0.1.
#pragma once

#include "DevHttpServer.h"
#include "Router.h"
#include "ServiceStack.h"

#include <optional>

class DevService
{
public:
    explicit DevService(ServerOptions options);

    // Opens the storage and starts listening; returns the reason when either fails.
    std::optional<QString> start();
    quint16 port() const { return m_port; }

private:
    ServiceStack m_stack;
    Router m_router;
    DevHttpServer m_server;
    quint16 m_port = 0;
};
