// The whole stand-in service: storage, the services, the route tables and the HTTP front, wired
// together and listening on 127.0.0.1.
#pragma once

#include "AuthService.h"
#include "BoardService.h"
#include "Clock.h"
#include "Database.h"
#include "DevHttpServer.h"
#include "FaultInjector.h"
#include "ItemService.h"
#include "ItemStore.h"
#include "NotificationService.h"
#include "ReleaseFeed.h"
#include "Router.h"
#include "ServerOptions.h"
#include "Services.h"
#include "SyncService.h"

#include <optional>

class DevService
{
public:
    explicit DevService(ServerOptions options);

    // Opens the storage and starts listening; returns the reason when either fails.
    std::optional<QString> start();
    quint16 port() const { return m_port; }

private:
    ServerOptions m_options;
    Clock m_clock;
    Database m_db;
    NotificationService m_notifications;
    AuthService m_auth;
    BoardService m_boards;
    ItemStore m_itemStore;
    ItemService m_items;
    SyncService m_sync;
    FaultInjector m_faults;
    ReleaseFeed m_releases;
    Services m_services;
    Router m_router;
    DevHttpServer m_server;
    quint16 m_port = 0;
};
