// The four steps every endpoint takes: form the URL, build the request, send it, decode the answer.
// Free coroutines taking everything by value, so a repository value may be a temporary.
#pragma once

#include "net/NetworkService.h"

#include <QByteArray>
#include <QCoro/QCoroFuture>
#include <QPointer>
#include <QString>
#include <QtConcurrent/QtConcurrentRun>

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

// As fetchRecord, with the body parsed on a worker thread, so a large answer (a board's sync with
// tens of thousands of items) does not hold up the window; the record comes back on this thread.
template<typename T>
QCoro::Task<ApiResult<T>> fetchRecordInBackground(NetworkService* client, EndpointRequest endpoint)
{
    QPointer<NetworkService> service(client);
    ApiResult<ServiceResponse> response = co_await sendEndpointRequest(client, std::move(endpoint));
    if (!response)
        co_return std::unexpected(response.error());
    // A refusal carries no record to parse: the client turns it into its error as always.
    if (!service)
        co_return std::unexpected(ApiError {});
    if (response->status < 200 || response->status > 299)
        co_return client->decode<T>(*response);
    // Held in named variables: a temporary inside the co_await expression does not survive the
    // suspension with this compiler.
    QFuture<std::expected<T, QString>> decoding
        = QtConcurrent::run([body = response->body] { return decodeServiceResponse<T>(body); });
    std::expected<T, QString> decoded = co_await decoding;
    if (decoded)
        co_return std::move(*decoded);
    // The rare failure is read once more by the client, which names and logs it as it does any.
    if (service)
        co_return client->decode<T>(*response);
    co_return std::unexpected(ApiError::make(
        response->status, QStringLiteral("Decoding Failed"), decoded.error(), response->path()));
}
