#include "net/Endpoint.h"

QCoro::Task<ApiResult<ServiceResponse>> sendEndpointRequest(NetworkService* client, EndpointRequest endpoint)
{
    const ApiResult<QUrl> url = client->makeUrl(endpoint.path, endpoint.query);
    if (!url)
        co_return std::unexpected(url.error());
    ServiceRequest request { endpoint.method, *url, {}, std::move(endpoint.body) };
    if (endpoint.jsonContentType)
        request.setJsonContentType();
    co_return co_await client->send(std::move(request));
}

QCoro::Task<ApiResult<void>> sendIgnoringBody(NetworkService* client, EndpointRequest endpoint)
{
    const ApiResult<ServiceResponse> response = co_await sendEndpointRequest(client, std::move(endpoint));
    if (!response)
        co_return std::unexpected(response.error());
    co_return ApiResult<void>();
}
