#include "ServiceStack.h"

ServiceStack::ServiceStack(ServerOptions serverOptions, EventHub* hub)
    : options(std::move(serverOptions))
    , events(db, hub)
    , notifications(db, clock, events)
    , auth(db, clock, events, options.accessTtlSeconds, options.maxSessionAgeSeconds)
    , boards(db, clock, notifications, events)
    , itemStore(db, clock, boards)
    , items(boards, itemStore, notifications)
    , sync(db, boards, itemStore, items)
    , releases(options.latestVersion, options.latestBuild, clock.isoNow())
    , services {db, clock, auth, boards, items, sync, notifications, releases, options, events}
{
}

void Routes::addContract(Router& router, Services& services)
{
    addBoards(router, services);
    addItems(router, services);
    addTrash(router, services);
    addAccount(router, services);
    addSessions(router, services);
    addPublic(router, services);
    addEvents(router, services);
}
