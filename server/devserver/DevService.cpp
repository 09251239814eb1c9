#include "DevService.h"

#include "HttpError.h"
#include "Schema.h"

DevService::DevService(ServerOptions options)
    : m_stack(std::move(options))
    , m_router(m_stack.clock, &m_stack.db)
    , m_server(m_router, m_stack.faults, m_stack.clock, m_stack.options.snakeCase)
{
    Routes::addAuth(m_router, m_stack.services);
    Routes::addContract(m_router, m_stack.services);
    Routes::addAdmin(m_router, m_stack.services);
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
        Schema::keepLatestChangesOnly(m_stack.db);
    } catch (const HttpError& error) {
        return QStringLiteral("Cannot prepare %1: %2").arg(path, error.message);
    }
    m_port = m_server.listen(QHostAddress::LocalHost, m_stack.options.port);
    if (m_port == 0)
        return QStringLiteral("Cannot listen on 127.0.0.1:%1.").arg(m_stack.options.port);
    return std::nullopt;
}
