#include "PlenkoServer.h"

#include "Migrations.h"
#include "SignInRoutes.h"
#include "TlsFiles.h"

#include <QUrl>

namespace {

ServerOptions optionsFor(const ServerConfig& config)
{
    ServerOptions options;
    options.port = config.port;
    options.dataFile = config.databasePath;
    options.accessTtlSeconds = config.accessTokenSeconds;
    options.maxSessionAgeSeconds = qint64(config.maxSessionAgeDays) * 24 * 3600;
    options.latestVersion = QStringLiteral(PLENKO_SERVER_VERSION);
    return options;
}

} // namespace

PlenkoServer::PlenkoServer(ServerConfig config)
    : m_config(std::move(config))
    , m_stack(optionsFor(m_config))
    , m_accounts(m_stack.db, m_stack.clock, m_stack.auth, m_config)
    , m_router(m_stack.clock, &m_stack.db)
    , m_server(m_router, m_stack.faults, m_stack.clock, false)
{
    m_server.setLogStyle(DevHttpServer::LogStyle::Full);
    m_server.setTrustedProxies(m_config.trustedProxies);
    ServerRoutes::addSignIn(m_router, m_stack.services, m_accounts, m_config.publicBaseUrl,
        m_config.usesTls() ? QStringLiteral("https") : QStringLiteral("http"));
    Routes::addTokenExchange(m_router, m_stack.services);
    Routes::addContract(m_router, m_stack.services);
    ServerRoutes::addHealth(m_router, m_stack.services);
}

std::optional<QString> PlenkoServer::openDatabase()
{
    // A PostgreSQL URI may carry a password, which has no place in a message.
    const QString shown = Database::isPostgresLocation(m_config.databasePath)
        ? QUrl(m_config.databasePath).toString(QUrl::RemovePassword)
        : m_config.databasePath;
    if (auto error = m_stack.db.open(m_config.databasePath))
        return QStringLiteral("cannot open the database %1: %2").arg(shown, *error);
    if (auto error = Migrations::apply(m_stack.db))
        return QStringLiteral("cannot prepare the database %1: %2").arg(shown, *error);
    return std::nullopt;
}

std::optional<QString> PlenkoServer::listen()
{
    if (m_config.usesTls()) {
        const auto tls = TlsFiles::load(m_config.tlsCertificatePath, m_config.tlsPrivateKeyPath);
        if (!tls)
            return tls.error();
        m_server.sslSetup(*tls);
    }
    m_port = m_server.listen(m_config.address, m_config.port);
    if (m_port == 0)
        return QStringLiteral("cannot listen on %1 port %2.")
            .arg(m_config.address.toString())
            .arg(m_config.port);
    return std::nullopt;
}
