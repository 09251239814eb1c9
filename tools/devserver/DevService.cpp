#include "DevService.h"

#include "HttpError.h"
#include "Schema.h"

DevService::DevService(ServerOptions options)
    : m_options(std::move(options))
    , m_notifications(m_db, m_clock)
    , m_auth(m_db, m_clock, m_options.accessTtlSeconds)
    , m_boards(m_db, m_clock, m_notifications)
    , m_itemStore(m_db, m_clock, m_boards)
    , m_items(m_boards, m_itemStore, m_notifications)
    , m_sync(m_db, m_boards, m_itemStore, m_items)
    , m_releases(m_options.latestVersion, m_options.latestBuild, m_clock.isoNow())
    , m_services {m_db, m_clock, m_auth, m_boards, m_items, m_sync, m_notifications, m_faults, m_releases,
          m_options}
    , m_router(m_clock)
    , m_server(m_router, m_faults, m_clock, m_options.snakeCase)
{
    Routes::addAuth(m_router, m_services);
    Routes::addBoards(m_router, m_services);
    Routes::addItems(m_router, m_services);
    Routes::addAccount(m_router, m_services);
    Routes::addPublic(m_router, m_services);
    Routes::addAdmin(m_router, m_services);
}

std::optional<QString> DevService::start()
{
    const QString path = m_options.dataFile.isEmpty() ? QStringLiteral(":memory:") : m_options.dataFile;
    if (auto error = m_db.open(path))
        return QStringLiteral("Cannot open %1: %2").arg(path, *error);
    try {
        Schema::create(m_db);
    } catch (const HttpError& error) {
        return QStringLiteral("Cannot prepare %1: %2").arg(path, error.message);
    }
    m_port = m_server.listen(QHostAddress::LocalHost, m_options.port);
    if (m_port == 0)
        return QStringLiteral("Cannot listen on 127.0.0.1:%1.").arg(m_options.port);
    return std::nullopt;
}
