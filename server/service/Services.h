// Everything a route needs, handed to the route tables in one piece.
#pragma once

class AuthService;
class BoardService;
class Clock;
class Database;
class EventOutbox;
class ItemService;
class NotificationService;
class ReleaseFeed;
class Router;
class SyncService;
struct ServerOptions;

struct Services
{
    Database& db;
    Clock& clock;
    AuthService& auth;
    BoardService& boards;
    ItemService& items;
    SyncService& sync;
    NotificationService& notifications;
    const ReleaseFeed& releases;
    const ServerOptions& options;
    EventOutbox& events;
};

// The route tables, one per area of the service.
namespace Routes {
// /auth/login, /auth/refresh and /auth/logout, whatever the browser half of sign-in is.
void addTokenExchange(Router& router, Services& services);
void addBoards(Router& router, Services& services);
void addItems(Router& router, Services& services);
// /api/boards/{id}/trash: deleted items kept for 30 days.
void addTrash(Router& router, Services& services);
void addAccount(Router& router, Services& services);
// GET /api/sessions and DELETE /api/sessions/{id}: the caller's sign-ins, and ending one of them.
void addSessions(Router& router, Services& services);
void addPublic(Router& router, Services& services);
// GET /api/events: grants the caller a stream of change events, which the HTTP front then serves.
void addEvents(Router& router, Services& services);
// Boards, items, account, sessions and the public documents: what every server serves, whatever
// its sign-in.
void addContract(Router& router, Services& services);
}
