// The threads that carry requests out. Each worker builds its own handler on its own thread (its own
// database connection and services), so no two threads share a connection and a slow request holds
// only its worker while the network threads keep reading and writing for everyone else.
#pragma once

#include "HttpMessage.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <expected>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class WorkerPool
{
public:
    // One worker's way of answering; used only on the thread that made it.
    using Handler = std::function<ApiResponse(const ApiRequest& request)>;
    // Called once on each worker's thread; an error stops the start.
    using HandlerFactory = std::function<std::expected<Handler, QString>()>;
    // Receives the answer on the worker's thread; it must hand it on, not do the writing there.
    using Completion = std::move_only_function<void(ApiResponse)>;

    WorkerPool() = default;
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Starts `count` workers and waits until each has built its handler; returns the first error.
    std::optional<QString> start(int count, const HandlerFactory& factory);
    void stop();
    // Queues the request; the earliest queued is taken first by the next free worker.
    void submit(ApiRequest request, Completion done);
    int size() const { return int(m_threads.size()); }

private:
    struct Job
    {
        ApiRequest request;
        Completion done;
    };

    void run(const HandlerFactory& factory, std::optional<QString>& startError, int& started);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
