#include "ServiceStack.h"

ServiceStack::ServiceStack(ServerOptions serverOptions)
    : options(std::move(serverOptions))
    , notifications(db, clock)
    , auth(db, clock, options.accessTtlSeconds, options.maxSessionAgeSeconds)
    , boards(db, clock, notifications)
    , itemStore(db, clock, boards)
    , items(boards, itemStore, notifications)
    , sync(db, boards, itemStore, items)
    , releases(options.latestVersion, options.latestBuild, clock.isoNow())
    , services {db, clock, auth, boards, items, sync, notifications, releases, options}
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
}
