// Maps method and path to a handler. Paths are written with {id} for a UUID segment (handed to the
// handler in upper case) and {segment} for any other single segment. A handler's HttpError becomes the
// service's error body; a path that matches no route answers 404, a known path with another method 405.
#pragma once

#include "HttpMessage.h"

#include <QRegularExpression>
#include <QStringList>
#include <functional>

class Clock;

using RouteHandler = std::function<ApiResponse(const ApiRequest& request, const QStringList& ids)>;

class Router
{
public:
    explicit Router(const Clock& clock)
        : m_clock(clock)
    {
    }

    void add(const QByteArray& method, const QString& pattern, RouteHandler handler);
    ApiResponse dispatch(const ApiRequest& request) const;

    // The error body of the contract: {timestamp, status, code, message, path}.
    static ApiResponse errorResponse(
        const Clock& clock, int status, const QString& code, const QString& message, const QString& path);

private:
    struct Route
    {
        QByteArray method;
        QRegularExpression pattern;
        QList<bool> uuidGroups;
        RouteHandler handler;
    };

    const Clock& m_clock;
    QList<Route> m_routes;
};
