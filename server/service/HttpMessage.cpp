#include "HttpMessage.h"

QByteArray ApiRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QString ApiRequest::queryValue(const QString& name) const
{
    return query.queryItemValue(name, QUrl::FullyDecoded);
}

ApiResponse ApiResponse::ofJson(const QJsonValue& value, int status)
{
    ApiResponse response;
    response.status = status;
    response.contentType = "application/json";
    response.json = value;
    return response;
}

ApiResponse ApiResponse::ofContractJson(const QJsonValue& value, int status)
{
    ApiResponse response = ofJson(value, status);
    response.contractKeys = true;
    return response;
}

ApiResponse ApiResponse::ofContractJsonText(const QByteArray& text)
{
    ApiResponse response;
    response.contentType = "application/json";
    response.body = text;
    response.contractKeys = true;
    return response;
}

ApiResponse ApiResponse::noContent()
{
    ApiResponse response;
    response.status = 204;
    return response;
}

ApiResponse ApiResponse::html(const QString& page, int status)
{
    ApiResponse response;
    response.status = status;
    response.contentType = "text/html; charset=utf-8";
    response.body = page.toUtf8();
    return response;
}

ApiResponse ApiResponse::redirect(const QString& location, const QString& page)
{
    ApiResponse response = html(page, 302);
    response.headers.append({"Location", location.toUtf8()});
    return response;
}
