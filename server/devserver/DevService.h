// The whole stand-in service: storage, the services, the route tables and the HTTP front with its
// fault hook, wired together and listening on 127.0.0.1. One worker carries every request out, in
// the order they arrive: the admin routes move the clock and wipe the data between tests, and an
// in-memory database lives on one connection.
#pragma once

#include "EventHub.h"
#include "FaultHook.h"
#include "FaultInjector.h"
#include "HttpFront.h"
#include "Router.h"
#include "ServiceStack.h"
#include "WorkerPool.h"

#include <optional>

class DevService
{
public:
    explicit DevService(ServerOptions options);
    ~DevService();

    // Opens the storage and starts listening; returns the reason when either fails.
    std::optional<QString> start();
    quint16 port() const { return m_front.port(); }

private:
    EventHub m_events;
    ServiceStack m_stack;
    FaultInjector m_faults;
    FaultHook m_hook;
    Router m_router;
    WorkerPool m_workers;
    HttpFront m_front;
};
