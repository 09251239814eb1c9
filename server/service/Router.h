// Maps method and path to a handler. Paths are written with {id} for a UUID segment (handed to the
// handler in upper case) and {segment} for any other single segment. A handler's HttpError becomes the
// service's error body; a path that matches no route answers 404, a known path with another method 405.
// With a database, each request runs in one transaction: a refusal (4xx) keeps what was written before
// it, a failure (5xx) rolls everything back, and a storage conflict runs the whole handler again.
// GET and HEAD routes, and routes added as reading, begin their transaction for reading (no lock, no
// wait for writers); one that turns out to write runs again from the start as a writing transaction.
// A route may instead choose per request, from what the request carries.
// A failure's answer carries a request id and its generic message; its detail goes to the log.
#pragma once

#include "Database.h"
#include "HttpMessage.h"

#include <QRegularExpression>
#include <QStringList>
#include <functional>

class Clock;

using RouteHandler = std::function<ApiResponse(const ApiRequest& request, const QStringList& ids)>;
using TransactionChoice = std::function<TransactionStart(const ApiRequest& request)>;

class Router
{
public:
    explicit Router(const Clock& clock, Database* db = nullptr)
        : m_clock(clock)
        , m_db(db)
    {
    }

    void add(const QByteArray& method, const QString& pattern, RouteHandler handler);
    void add(const QByteArray& method, const QString& pattern, RouteHandler handler, TransactionStart start);
    void add(const QByteArray& method, const QString& pattern, RouteHandler handler, TransactionChoice start);
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
        TransactionChoice start;
    };

    ApiResponse run(const Route& route, const ApiRequest& request, const QStringList& ids) const;

    const Clock& m_clock;
    Database* m_db;
    QList<Route> m_routes;
};
