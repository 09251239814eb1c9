#include "PlenkoServer.h"

#include "FileLimit.h"
#include "Migrations.h"
#include "Router.h"
#include "SignInRoutes.h"
#include "TlsFiles.h"

#include <QUrl>
#include <memory>

namespace {

ServerOptions optionsFor(const ServerConfig& config)
{
    ServerOptions options;
    options.port = config.port;
    options.dataFile = config.databasePath;
    options.accessTtlSeconds = config.accessTokenSeconds;
    options.maxSessionAgeSeconds = qint64(config.maxSessionAgeDays) * 24 * 3600;
    options.latestVersion = QStringLiteral(PLENKO_SERVER_VERSION);
    options.publicBaseUrl = config.publicBaseUrl.toString();
    options.scheme = config.usesTls() ? QStringLiteral("https") : QStringLiteral("http");
    return options;
}

// What one worker answers with: its own connection, services and route table.
struct WorkerStack
{
    WorkerStack(const ServerConfig& config, EventHub& events)
        : stack(optionsFor(config), &events)
        , accounts(stack.db, stack.clock, stack.auth, config)
        , router(stack.clock, &stack.db)
    {
        ServerRoutes::addSignIn(router, stack.services, accounts, config.publicBaseUrl,
            config.usesTls() ? QStringLiteral("https") : QStringLiteral("http"));
        Routes::addTokenExchange(router, stack.services);
        Routes::addContract(router, stack.services);
        ServerRoutes::addHealth(router, stack.services);
    }

    ServiceStack stack;
    AccountDirectory accounts;
    Router router;
};

} // namespace

PlenkoServer::PlenkoServer(ServerConfig config)
    : m_config(FileLimit::fitted(std::move(config)))
    , m_stack(optionsFor(m_config))
    , m_accounts(m_stack.db, m_stack.clock, m_stack.auth, m_config)
    , m_events(m_config.limits.events, false)
    , m_relay(m_events)
    , m_front(m_workers, m_stack.clock, false, m_config.limits)
{
    m_front.setEventHub(&m_events);
    // The operator commands run on this stack in a process of their own: on PostgreSQL what they
    // end (sessions) reaches the running servers' streams through the database.
    m_stack.events.setHub(&m_events);
    m_front.setLogStyle(HttpFront::LogStyle::Full);
    m_front.setTrustedProxies(m_config.trustedProxies);
}

PlenkoServer::~PlenkoServer()
{
    // No request may reach the workers once they are gone.
    m_front.stop();
    m_relay.stop();
    m_workers.stop();
}

QString PlenkoServer::shownDatabase() const
{
    // A PostgreSQL URI may carry a password, which has no place in a message.
    return Database::isPostgresLocation(m_config.databasePath)
        ? QUrl(m_config.databasePath).toString(QUrl::RemovePassword)
        : m_config.databasePath;
}

std::optional<QString> PlenkoServer::openDatabase()
{
    if (auto error = m_stack.db.open(m_config.databasePath))
        return QStringLiteral("cannot open the database %1: %2").arg(shownDatabase(), *error);
    if (auto error = Migrations::apply(m_stack.db))
        return QStringLiteral("cannot prepare the database %1: %2").arg(shownDatabase(), *error);
    return std::nullopt;
}

std::expected<WorkerPool::Handler, QString> PlenkoServer::makeWorker()
{
    // The hub is shared by the workers; each delivers what its own requests committed.
    auto worker = std::make_shared<WorkerStack>(m_config, m_events);
    if (auto error = worker->stack.db.open(m_config.databasePath))
        return std::unexpected(
            QStringLiteral("cannot open the database %1: %2").arg(shownDatabase(), *error));
    return [worker](const ApiRequest& request) {
        worker->stack.events.beginRequest();
        ApiResponse response = worker->router.dispatch(request);
        worker->stack.events.flush();
        return response;
    };
}

std::optional<QString> PlenkoServer::listen()
{
    if (m_config.usesTls()) {
        // Checked first for the clear reasons (missing file, expired, key of another certificate).
        if (const auto tls = TlsFiles::load(m_config.tlsCertificatePath, m_config.tlsPrivateKeyPath); !tls)
            return tls.error();
        if (auto error = m_front.useTls(m_config.tlsCertificatePath, m_config.tlsPrivateKeyPath))
            return *error;
    }
    // Every connection to an in-memory database is a database of its own.
    const int workers = m_config.databasePath == QLatin1String(":memory:") ? 1 : m_config.workers;
    // The relay's announcer is in place before any worker can commit.
    if (m_stack.db.engine() == Database::Engine::Postgres)
        m_relay.start(m_config.databasePath);
    if (auto error = m_workers.start(workers, [this] { return makeWorker(); }))
        return *error;
    return m_front.listen(m_config.address, m_config.port);
}
