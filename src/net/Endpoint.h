// The four steps every endpoint takes: form the URL, build the request, send it, decode the answer.
// Free coroutines taking everything by value, so a repository value may be a temporary.
#pragma once

#include "net/NetworkService.h"

#include <QByteArray>
#include <QString>

struct EndpointRequest
{
    EndpointRequest(QByteArray method, QString path, QList<QueryItem> query = {}, bool jsonContentType = false,
        std::optional<QByteArray> body = std::nullopt)
        : method(std::move(method))
        , path(std::move(path))
        , query(std::move(query))
        , jsonContentType(jsonContentType)
        , body(std::move(body))
    {
    }

    QByteArray method;
    QString path;
    QList<QueryItem> query;
    bool jsonContentType = false;
    std::optional<QByteArray> body;
};

// Sends the request; the body of a successful response is not read.
QCoro::Task<ApiResult<ServiceResponse>> sendEndpointRequest(NetworkService* client, EndpointRequest endpoint);
QCoro::Task<ApiResult<void>> sendIgnoringBody(NetworkService* client, EndpointRequest endpoint);

template<typename T>
QCoro::Task<ApiResult<T>> fetchRecord(NetworkService* client, EndpointRequest endpoint)
{
    const ApiResult<ServiceResponse> response = co_await sendEndpointRequest(client, std::move(endpoint));
    if (!response)
        co_return std::unexpected(response.error());
    co_return client->decode<T>(*response);
}

// As fetchRecord, with the body decoded off the UI thread.
template<typename T>
QCoro::Task<ApiResult<T>> fetchRecordInBackground(NetworkService* client, EndpointRequest endpoint)
{
    ApiResult<ServiceResponse> response = co_await sendEndpointRequest(client, std::move(endpoint));
    if (!response)
        co_return std::unexpected(response.error());
    co_return co_await client->decodeInBackground<T>(std::move(*response));
}
