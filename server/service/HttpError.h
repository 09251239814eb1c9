// A refusal raised inside a request handler; the router turns it into the service's error body
// {timestamp, status, code, message, path}. It never leaves the service.
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
    // What went wrong inside (a driver's message, which may quote the data): for the server's log
    // and its operator only, never for an answer.
    QString detail;

    // The full text for the log or the operator's terminal.
    QString logText() const { return detail.isEmpty() ? message : detail; }

    static HttpError badRequest(const QString& message) { return {400, "INVALID_REQUEST", message}; }
    // A failure of the database: the answer says only that the request could not be completed.
    static HttpError storageFailure(const QString& detail)
    {
        HttpError error(500, QStringLiteral("STORAGE_FAILURE"),
            QStringLiteral("The service could not complete this request."));
        error.detail = detail;
        return error;
    }
};
