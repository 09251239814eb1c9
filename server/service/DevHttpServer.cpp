#include "DevHttpServer.h"

#include "FaultInjector.h"
#include "KeyStyle.h"
#include "Router.h"

#include <QDateTime>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

namespace {

QByteArray methodText(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "UNKNOWN";
    }
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 410:
        return "Gone";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

} // namespace

DevHttpServer::DevHttpServer(
    const Router& router, FaultInjector& faults, const Clock& clock, bool snakeCase, QObject* parent)
    : QAbstractHttpServer(parent)
    , m_router(router)
    , m_faults(faults)
    , m_clock(clock)
    , m_snakeCase(snakeCase)
{
}

ApiRequest DevHttpServer::toApiRequest(const QHttpServerRequest& request) const
{
    ApiRequest api {methodText(request.method()), request.url().path(), request.query(), request.headers(),
        request.body(), request.remoteAddress().toString(), {}};
    api.received.start();
    if (!m_trustedProxies.isEmpty()) {
        QList<QByteArray> forwardedFor;
        for (const auto& [name, value] : api.headers) {
            if (name.compare("X-Forwarded-For", Qt::CaseInsensitive) == 0)
                forwardedFor.append(value);
        }
        api.remoteAddress = m_trustedProxies.clientOf(request.remoteAddress(), forwardedFor).toString();
    }
    return api;
}

void DevHttpServer::logLine(const ApiRequest& request, const QByteArray& outcome) const
{
    if (m_logStyle == LogStyle::Short) {
        std::fprintf(stdout, "%s %s -> %s\n", request.method.constData(), request.path.toUtf8().constData(),
            outcome.constData());
    } else {
        // Percent-encoded, so a path cannot break the line or forge another.
        std::fprintf(stdout, "%s %s %s %s %s %lldms\n",
            qPrintable(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)),
            qPrintable(request.remoteAddress), request.method.constData(),
            QUrl::toPercentEncoding(request.path, "/").constData(), outcome.constData(),
            request.received.elapsed());
    }
    std::fflush(stdout);
}

bool DevHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const ApiRequest api = toApiRequest(request);
    std::optional<Fault> fault;
    if (!api.path.startsWith(QLatin1String("/__admin/")))
        fault = m_faults.take(api.path);
    if (fault)
        answerWithFault(socket, api, *fault);
    else
        answer(socket, api);
    return true;
}

void DevHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    answer(socket, toApiRequest(request));
}

void DevHttpServer::answer(QTcpSocket* socket, const ApiRequest& request)
{
    write(socket, request, m_router.dispatch(request));
}

void DevHttpServer::answerWithFault(QTcpSocket* socket, const ApiRequest& request, const Fault& fault)
{
    switch (fault.kind) {
    case Fault::Kind::Delay: {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(fault.delayMs, this, [this, guard, request] {
            if (guard)
                answer(guard, request);
        });
        return;
    }
    case Fault::Kind::Close:
        // Cut off mid-answer: a connection closed before any byte would be re-sent silently by
        // HTTP clients such as QNetworkAccessManager, so the fault would not reach the caller.
        logLine(request, "connection closed (injected)");
        socket->write(
            "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 4096\r\n\r\n{\"items\": [");
        socket->disconnectFromHost();
        return;
    case Fault::Kind::DropAnswer: {
        // Carried out and committed, then the connection goes before the first byte of the answer:
        // the client cannot tell this from a request that never arrived.
        const ApiResponse response = m_router.dispatch(request);
        logLine(request, QByteArray::number(response.status) + " applied, answer dropped (injected)");
        socket->abort();
        return;
    }
    case Fault::Kind::DelayAnswer: {
        const ApiResponse response = m_router.dispatch(request);
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(fault.delayMs, this, [this, guard, request, response] {
            if (guard)
                write(guard, request, response);
        });
        return;
    }
    case Fault::Kind::Malformed: {
        ApiResponse response;
        response.status = fault.status;
        response.contentType = fault.contentType;
        response.body = fault.body.value_or(QByteArrayLiteral("{\"items\": [ {\"id\": "));
        write(socket, request, response);
        return;
    }
    case Fault::Kind::Status: {
        if (fault.body) {
            ApiResponse response;
            response.status = fault.status;
            response.contentType = fault.contentType;
            response.body = *fault.body;
            write(socket, request, response);
        } else {
            // Without a scripted body the failure looks like one of the service's own.
            write(socket, request,
                Router::errorResponse(m_clock, fault.status, QStringLiteral("INJECTED_FAULT"),
                    QStringLiteral("Injected failure."), request.path));
        }
        return;
    }
    }
}

void DevHttpServer::write(QTcpSocket* socket, const ApiRequest& request, const ApiResponse& response)
{
    QByteArray body = response.body;
    std::optional<QJsonValue> json = response.json;
    if (!json && m_snakeCase && response.contractKeys)
        json = QJsonDocument::fromJson(body).object();
    if (json) {
        const QJsonValue value = m_snakeCase && response.contractKeys ? KeyStyle::toSnakeCase(*json) : *json;
        body = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                               : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    }
    QByteArray out
        = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    if (!response.contentType.isEmpty())
        out += "Content-Type: " + response.contentType + "\r\n";
    for (const auto& [key, value] : response.headers)
        out += key + ": " + value + "\r\n";
    if (response.status != 204)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "\r\n";
    if (response.status != 204)
        out += body;
    socket->write(out);
    logLine(request, QByteArray::number(response.status));
}
