#include "DevService.h"

#include "AdminRoutes.h"
#include "DevSignInRoutes.h"
#include "HttpError.h"
#include "Schema.h"

DevService::DevService(ServerOptions options)
    : m_events(HttpLimits().events, options.snakeCase)
    , m_stack(std::move(options), &m_events)
    , m_hook(m_faults, m_stack.clock)
    , m_router(m_stack.clock, &m_stack.db)
    , m_front(m_workers, m_stack.clock, m_stack.options.snakeCase)
{
    m_events.setSingleProcess();
    Routes::addDevSignIn(m_router, m_stack.services);
    Routes::addContract(m_router, m_stack.services);
    Routes::addAdmin(m_router, m_stack.services, m_faults);
    m_front.setHook(&m_hook);
    m_front.setEventHub(&m_events);
    // A moved clock may have passed a stream's token expiry.
    m_stack.clock.setAdvanced([this] { m_events.nudgeAll(); });
}

DevService::~DevService()
{
    // No request may reach the workers once they are gone.
    m_front.stop();
    m_workers.stop();
}

std::optional<QString> DevService::start()
{
    const QString path
        = m_stack.options.dataFile.isEmpty() ? QStringLiteral(":memory:") : m_stack.options.dataFile;
    if (auto error = m_stack.db.open(path))
        return QStringLiteral("Cannot open %1: %2").arg(path, *error);
    try {
        Schema::create(m_stack.db);
        Schema::createSessionDetails(m_stack.db);
        Schema::createSecurityRecords(m_stack.db);
        Schema::keepLatestChangesOnly(m_stack.db);
        Schema::createEventOutbox(m_stack.db);
    } catch (const HttpError& error) {
        return QStringLiteral("Cannot prepare %1: %2").arg(path, error.logText());
    }
    const auto handler = [this]() -> std::expected<WorkerPool::Handler, QString> {
        return [this](const ApiRequest& request) {
            m_stack.events.beginRequest();
            ApiResponse response = m_router.dispatch(request);
            m_stack.events.flush();
            return response;
        };
    };
    if (auto error = m_workers.start(1, handler))
        return *error;
    if (auto error = m_front.listen(QHostAddress::LocalHost, m_stack.options.port))
        return QStringLiteral("Cannot listen on 127.0.0.1:%1: %2").arg(m_stack.options.port).arg(*error);
    return std::nullopt;
}
