// The HTTP front of the devserver: turns each request into an ApiRequest, lets an armed fault take
// it over, dispatches it and writes the answer itself, so faults can delay an answer, cut the
// connection or send a body that is not JSON. Prints one line per request on standard output.
#pragma once

#include "HttpMessage.h"
#include "TrustedProxies.h"

#include <QAbstractHttpServer>

class Clock;
class FaultInjector;
class QTcpSocket;
class Router;
struct Fault;

class DevHttpServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    DevHttpServer(const Router& router, FaultInjector& faults, const Clock& clock, bool snakeCase,
        QObject* parent = nullptr);

    // Short: "GET /path -> 200", what the devserver's tests read. Full, for a service people use:
    // "<UTC time> <client> GET /path 200 <n>ms"; never a query string, header or body, which can hold
    // tokens, passwords or codes.
    enum class LogStyle { Short, Full };
    void setLogStyle(LogStyle style) { m_logStyle = style; }
    void setTrustedProxies(TrustedProxies proxies) { m_trustedProxies = std::move(proxies); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void answer(QTcpSocket* socket, const ApiRequest& request);
    void answerWithFault(QTcpSocket* socket, const ApiRequest& request, const Fault& fault);
    void write(QTcpSocket* socket, const ApiRequest& request, const ApiResponse& response);
    ApiRequest toApiRequest(const QHttpServerRequest& request) const;
    void logLine(const ApiRequest& request, const QByteArray& outcome) const;

    const Router& m_router;
    FaultInjector& m_faults;
    const Clock& m_clock;
    bool m_snakeCase;
    LogStyle m_logStyle = LogStyle::Short;
    TrustedProxies m_trustedProxies;
};
