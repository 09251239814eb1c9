// One request to the service as the transport sends it, and the HTTP response it gets back.
#pragma once

#include "domain/ApiError.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>

#include <expected>
#include <optional>

// Every service operation either succeeds with its value or fails with an ApiError.
template<typename T>
using ApiResult = std::expected<T, ApiError>;

struct QueryItem
{
    QString name;
    QString value;
};

struct ServiceRequest
{
    QByteArray method = QByteArrayLiteral("GET");
    QUrl url;
    // Sorted by name, which is also the order the request log prints them in.
    QMap<QString, QString> headers;
    std::optional<QByteArray> body;

    void setJsonContentType() { headers.insert(QStringLiteral("Content-Type"), QStringLiteral("application/json")); }
};

struct ServiceResponse
{
    int status = 0;
    QUrl url;
    QByteArray body;

    QString path() const { return url.path(); }
};
