// The one error value of all service access: the service's error body and what the transport raises.
// What users see of it is its message.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct ApiError
{
    QString timestamp;
    int status = -1; // -1: no HTTP status
    QString code;
    QString message;
    QString path;

    QString description() const { return message; }

    // Builds a normalised error: trims, fills the code from the message, resolves generic messages
    // ("You don't have permissions to perform this action." for 403, …) and stamps the current time.
    static ApiError make(std::optional<int> status, const QString& code, const QString& message,
        const QString& path);

    // Reads an error body with a plain JSON decoder (fixed keys, "error" as fallback for "code") and
    // normalises it. Absent when the body is not a JSON object.
    static std::optional<ApiError> fromBody(const QByteArray& body);

    // The error of a response whose HTTP status is outside 200-299: the JSON error body with a missing
    // status and path filled from the response, or, when the body is not such JSON, the status's reason
    // phrase as code and the body text ("No message" when not UTF-8) as message. An empty code becomes
    // "Forbidden" (403), "Unauthorized" (401) or "Invalid Response" before the normalisation.
    static ApiError fromHttpFailure(int status, const QByteArray& body, const QString& urlPath);
};

// The standard HTTP reason phrase of a status ("Not Found" for 404); empty for unknown statuses.
QString httpReasonPhrase(int status);
