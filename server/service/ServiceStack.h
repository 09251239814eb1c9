// The contract's services over one database, wired in the order they depend on each other. The
// devserver and plenko-server each hold one and add their own routes and HTTP front around it.
#pragma once

#include "AuthService.h"
#include "BoardService.h"
#include "Clock.h"
#include "Database.h"
#include "EventOutbox.h"
#include "ItemService.h"
#include "ItemStore.h"
#include "NotificationService.h"
#include "ReleaseFeed.h"
#include "ServerOptions.h"
#include "Services.h"
#include "SyncService.h"

struct ServiceStack
{
    // With a hub, committed changes reach this process's event streams (and, on PostgreSQL, the
    // other processes').
    explicit ServiceStack(ServerOptions serverOptions, EventHub* hub = nullptr);
    ServiceStack(const ServiceStack&) = delete;
    ServiceStack& operator=(const ServiceStack&) = delete;

    ServerOptions options;
    Clock clock;
    Database db;
    EventOutbox events;
    NotificationService notifications;
    AuthService auth;
    BoardService boards;
    ItemStore itemStore;
    ItemService items;
    SyncService sync;
    ReleaseFeed releases;
    // What the route tables take: references to the members above.
    Services services;
};
