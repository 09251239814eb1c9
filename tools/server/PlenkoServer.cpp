#include "PlenkoServer.h"

#include "Migrations.h"
#include "SignInRoutes.h"

namespace {

ServerOptions optionsFor(const ServerConfig& config)
{
    ServerOptions options;
    options.port = config.port;
    options.dataFile = config.databasePath;
    options.accessTtlSeconds = config.accessTokenSeconds;
    options.latestVersion = QStringLiteral(PLENKO_SERVER_VERSION);
    return options;
}

} // namespace

PlenkoServer::PlenkoServer(ServerConfig config)
    : m_config(std::move(config))
    , m_options(optionsFor(m_config))
    , m_notifications(m_db, m_clock)
    , m_auth(m_db, m_clock, m_options.accessTtlSeconds)
    , m_boards(m_db, m_clock, m_notifications)
    , m_itemStore(m_db, m_clock, m_boards)
    , m_items(m_boards, m_itemStore, m_notifications)
    , m_sync(m_db, m_boards, m_itemStore, m_items)
    , m_releases(m_options.latestVersion, m_options.latestBuild, m_clock.isoNow())
    , m_services {m_db, m_clock, m_auth, m_boards, m_items, m_sync, m_notifications, m_faults, m_releases,
          m_options}
    , m_accounts(m_db, m_clock, m_auth, m_config)
    , m_router(m_clock)
    , m_server(m_router, m_faults, m_clock, false)
{
    ServerRoutes::addSignIn(m_router, m_services, m_accounts, m_config.publicBaseUrl);
    Routes::addTokenExchange(m_router, m_services);
    Routes::addBoards(m_router, m_services);
    Routes::addItems(m_router, m_services);
    Routes::addAccount(m_router, m_services);
    Routes::addPublic(m_router, m_services);
    ServerRoutes::addHealth(m_router, m_services);
}

std::optional<QString> PlenkoServer::openDatabase()
{
    if (auto error = m_db.open(m_config.databasePath))
        return QStringLiteral("cannot open the database %1: %2").arg(m_config.databasePath, *error);
    if (auto error = Migrations::apply(m_db))
        return QStringLiteral("cannot prepare the database %1: %2").arg(m_config.databasePath, *error);
    return std::nullopt;
}

std::optional<QString> PlenkoServer::listen()
{
    m_port = m_server.listen(m_config.address, m_config.port);
    if (m_port == 0)
        return QStringLiteral("cannot listen on %1 port %2.")
            .arg(m_config.address.toString())
            .arg(m_config.port);
    return std::nullopt;
}
