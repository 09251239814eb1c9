// The HTTP front of the devserver: turns each request into an ApiRequest, lets an armed fault take
// it over, dispatches it and writes the answer itself, so faults can delay an answer, cut the
// connection or send a body that is not JSON. Prints one line per request on standard output.
#pragma once

#include "HttpMessage.h"

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

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void answer(QTcpSocket* socket, const ApiRequest& request);
    void answerWithFault(QTcpSocket* socket, const ApiRequest& request, const Fault& fault);
    void write(QTcpSocket* socket, const ApiRequest& request, const ApiResponse& response);

    const Router& m_router;
    FaultInjector& m_faults;
    const Clock& m_clock;
    bool m_snakeCase;
};
