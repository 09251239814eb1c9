// The HTTP front of the service: Boost.Beast on Boost.Asio. A few network threads accept, read and
// write every connection as C++20 coroutines; each request, once fully read within its limits, goes
// to the worker pool and its answer comes back to be written. Prints one line per request on
// standard output. Limits: see HttpLimits; TLS through OpenSSL when given a certificate.
#pragma once

#include "HttpLimits.h"
#include "TrustedProxies.h"

#include <QHostAddress>
#include <QString>
#include <memory>
#include <optional>

class Clock;
class EventHub;
class RequestHook;
class WorkerPool;

class HttpFront
{
public:
    HttpFront(WorkerPool& workers, const Clock& clock, bool snakeCase, HttpLimits limits = {});
    ~HttpFront();
    HttpFront(const HttpFront&) = delete;
    HttpFront& operator=(const HttpFront&) = delete;

    // Short: "GET /path -> 200", what the devserver's tests read. Full, for a service people use:
    // "<UTC time> <client> GET /path 200 <n>ms"; never a query string, header or body, which can hold
    // tokens, passwords or codes.
    enum class LogStyle { Short, Full };
    void setLogStyle(LogStyle style);
    void setTrustedProxies(TrustedProxies proxies);
    // Not owned; must outlive the front.
    void setHook(RequestHook* hook);
    // Not owned; must outlive the front. Without one, GET /api/events answers 404.
    void setEventHub(EventHub* hub);
    // Serves HTTPS with these PEM files (TLS 1.2 or later, forward-secret ciphers only); returns the
    // reason when OpenSSL refuses them.
    std::optional<QString> useTls(const QString& certificatePath, const QString& keyPath);

    // Binds, starts the network threads and returns the port, or the reason it cannot.
    std::optional<QString> listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    // Stops accepting and ends every connection; also done by the destructor.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
