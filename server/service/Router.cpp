#include "Router.h"

#include "Clock.h"
#include "Database.h"
#include "HttpError.h"
#include "TerminalText.h"

#include <QJsonObject>
#include <QRandomGenerator>
#include <cstdio>

namespace {

// The answer to a failure of the service itself names only a request id; the log line with the
// same id holds what went wrong, for the operator.
QString logFailure(const Clock& clock, const ApiRequest& request, const HttpError& error)
{
    const QString id
        = QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, QLatin1Char('0'));
    std::fprintf(stdout, "%s request %s failed: %s %s %s: %s\n", qPrintable(clock.isoNow()), qPrintable(id),
        request.method.constData(), TerminalText::escaped(request.path).constData(),
        TerminalText::escaped(error.code).constData(), TerminalText::escaped(error.logText()).constData());
    std::fflush(stdout);
    return id;
}

} // namespace

void Router::add(const QByteArray& method, const QString& pattern, RouteHandler handler)
{
    const bool reads = method == "GET" || method == "HEAD";
    add(method, pattern, std::move(handler), reads ? TransactionStart::Reading : TransactionStart::Writing);
}

void Router::add(
    const QByteArray& method, const QString& pattern, RouteHandler handler, TransactionStart start)
{
    add(method, pattern, std::move(handler), [start](const ApiRequest&) { return start; });
}

void Router::add(
    const QByteArray& method, const QString& pattern, RouteHandler handler, TransactionChoice start)
{
    static const QString uuid
        = QStringLiteral("([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})");
    QString expression = QStringLiteral("^");
    QList<bool> uuidGroups;
    for (const QString& part : pattern.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        expression += QLatin1Char('/');
        if (part == QLatin1String("{id}")) {
            expression += uuid;
            uuidGroups.append(true);
        } else if (part == QLatin1String("{segment}")) {
            expression += QStringLiteral("([^/]+)");
            uuidGroups.append(false);
        } else {
            expression += QRegularExpression::escape(part);
        }
    }
    expression += QLatin1Char('$');
    m_routes.append({method, QRegularExpression(expression), std::move(uuidGroups), std::move(handler),
        std::move(start)});
}

ApiResponse Router::dispatch(const ApiRequest& request) const
{
    bool pathKnown = false;
    for (const Route& route : m_routes) {
        const QRegularExpressionMatch match = route.pattern.match(request.path);
        if (!match.hasMatch())
            continue;
        pathKnown = true;
        if (route.method != request.method)
            continue;
        QStringList ids;
        for (int i = 1; i <= match.lastCapturedIndex(); ++i)
            ids.append(route.uuidGroups.at(i - 1) ? match.captured(i).toUpper() : match.captured(i));
        try {
            return run(route, request, ids);
        } catch (const HttpError& error) {
            QString message = error.message;
            if (error.status >= 500)
                message += QStringLiteral(" (request %1)").arg(logFailure(m_clock, request, error));
            ApiResponse response = errorResponse(m_clock, error.status, error.code, message, request.path);
            if (error.retryAfterSeconds > 0)
                response.headers.append({"Retry-After", QByteArray::number(error.retryAfterSeconds)});
            return response;
        }
    }
    if (pathKnown)
        return errorResponse(m_clock, 405, QStringLiteral("METHOD_NOT_ALLOWED"),
            QStringLiteral("%1 is not allowed on this path.").arg(QString::fromLatin1(request.method)),
            request.path);
    return errorResponse(
        m_clock, 404, QStringLiteral("NOT_FOUND"), QStringLiteral("No such endpoint."), request.path);
}

ApiResponse Router::run(const Route& route, const ApiRequest& request, const QStringList& ids) const
{
    const RouteHandler& handler = route.handler;
    if (!m_db)
        return handler(request, ids);
    // Both are set afresh by each attempt, so a retried attempt starts from nothing.
    std::optional<ApiResponse> response;
    std::optional<HttpError> refusal;
    m_db->retrying(
        [&] {
            response.reset();
            refusal.reset();
            try {
                response = handler(request, ids);
            } catch (const HttpError& error) {
                if (error.status >= 500)
                    throw;
                refusal = error;
            }
        },
        route.start(request));
    if (refusal)
        throw *refusal;
    return *response;
}

ApiResponse Router::errorResponse(
    const Clock& clock, int status, const QString& code, const QString& message, const QString& path)
{
    return ApiResponse::ofContractJson(
        QJsonObject {{QStringLiteral("timestamp"), clock.isoNow()}, {QStringLiteral("status"), status},
            {QStringLiteral("code"), code}, {QStringLiteral("message"), message},
            {QStringLiteral("path"), path}},
        status);
}
