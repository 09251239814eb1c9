// The devserver's own view of one HTTP exchange, independent of the HTTP library, so handlers and
// fault injection can run after the library's request object is gone (delayed answers).
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>
#include <optional>

struct ApiRequest
{
    QByteArray method;
    QString path;
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The client: the peer of the connection, or the address a trusted proxy forwarded for.
    QString remoteAddress;
    // Started when the request arrived, for the duration in the request log.
    QElapsedTimer received;

    // Case-insensitive, as HTTP header names are.
    QByteArray header(const QByteArray& name) const;
    // Fully decoded query value; empty when absent.
    QString queryValue(const QString& name) const;
    bool hasQuery(const QString& name) const { return query.hasQueryItem(name); }
};

// An authenticated caller's permission to hold an event stream, which the HTTP front serves itself.
struct EventStreamGrant
{
    QString accountId;
    QString sessionId;
    // When the access token the stream was opened with expires: seconds since the epoch on the
    // service's clock.
    qint64 tokenExpiresAt = 0;
};

struct ApiResponse
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // A JSON answer is serialised at the last moment so the key style can be applied to it.
    std::optional<QJsonValue> json;
    // True for answers of the service's contract; only those follow --snake-case.
    bool contractKeys = false;
    // Set only by GET /api/events: the front turns the connection into that stream.
    std::optional<EventStreamGrant> eventStream;

    static ApiResponse ofJson(const QJsonValue& value, int status = 200);
    static ApiResponse ofContractJson(const QJsonValue& value, int status = 200);
    // A contract answer already written as JSON text (a large one, cheaper to write directly); it is
    // parsed again only when --snake-case asks for other keys.
    static ApiResponse ofContractJsonText(const QByteArray& text);
    static ApiResponse noContent();
    static ApiResponse html(const QString& page, int status = 200);
    static ApiResponse redirect(const QString& location, const QString& page);
};
