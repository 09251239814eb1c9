// A refusal raised inside a request handler; the router turns it into the service's error body
// {timestamp, status, code, message, path}. It never leaves the devserver.
#pragma once

#include <QString>
#include <exception>

struct HttpError : std::exception
{
    HttpError(int status, QString code, QString message)
        : status(status)
        , code(std::move(code))
        , message(std::move(message))
    {
    }
    const char* what() const noexcept override { return "HttpError"; }

    int status;
    QString code;
    QString message;
    // Sent as Retry-After when set: how long a refused client should wait.
    qint64 retryAfterSeconds = 0;

    static HttpError badRequest(const QString& message) { return {400, "INVALID_REQUEST", message}; }
};
