#include "WorkerPool.h"

#include "Clock.h"

#include <QJsonObject>

namespace {

// The last resort for an exception no route turned into an answer: the service's error shape,
// without the exception's text, which may hold internals.
ApiResponse unexpectedFailure(const ApiRequest& request)
{
    return ApiResponse::ofContractJson(
        QJsonObject {{QStringLiteral("timestamp"), Clock::iso(QDateTime::currentDateTimeUtc())},
            {QStringLiteral("status"), 500}, {QStringLiteral("code"), QStringLiteral("INTERNAL_ERROR")},
            {QStringLiteral("message"), QStringLiteral("The service failed to carry out the request.")},
            {QStringLiteral("path"), request.path}},
        500);
}

} // namespace

WorkerPool::~WorkerPool()
{
    stop();
}

std::optional<QString> WorkerPool::start(int count, const HandlerFactory& factory)
{
    std::optional<QString> startError;
    int started = 0;
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back(
            [this, &factory, &startError, &started] { run(factory, startError, started); });
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return started == count; });
    }
    if (startError)
        stop();
    return startError;
}

void WorkerPool::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
    m_threads.clear();
}

void WorkerPool::submit(ApiRequest request, Completion done)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(request), std::move(done)});
    }
    m_wake.notify_one();
}

void WorkerPool::run(const HandlerFactory& factory, std::optional<QString>& startError, int& started)
{
    std::expected<Handler, QString> handler = factory();
    {
        std::lock_guard lock(m_mutex);
        if (!handler && !startError)
            startError = handler.error();
        ++started;
    }
    // The starter waits on the same condition as the workers, so every waiter must look.
    m_wake.notify_all();
    if (!handler)
        return;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        ApiResponse response;
        try {
            response = (*handler)(job.request);
        } catch (...) {
            response = unexpectedFailure(job.request);
        }
        job.done(std::move(response));
    }
}
