#include "domain/ApiError.h"

#include "domain/IsoDate.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringDecoder>
#include <QVariant>

#include <limits>

namespace {
const QString unknownError = QStringLiteral("Unknown error");

// The fields of an error body as sent, before normalisation; absent keys are empty.
struct ErrorBody
{
    QString timestamp;
    std::optional<int> status;
    QString code;
    QString message;
    QString path;
};

bool isGenericMessage(const QString& message, int status)
{
    if (message.isEmpty())
        return true;
    return status >= 1 && message.compare(httpReasonPhrase(status), Qt::CaseInsensitive) == 0;
}

QString resolvedMessage(const QString& message, const QString& code, int status)
{
    if (!isGenericMessage(message, status))
        return message;
    if (status == 403)
        return QStringLiteral("You don't have permissions to perform this action.");
    if (status == 401)
        return QStringLiteral("Unauthorized — please check your credentials.");
    if (!code.isEmpty())
        return code;
    return unknownError;
}

ApiError normalised(QString timestamp, int status, const QString& code, const QString& message, const QString& path)
{
    ApiError error;
    error.timestamp = timestamp.isEmpty() ? isoDateText(QDateTime::currentDateTimeUtc()) : std::move(timestamp);
    error.status = status;
    const QString trimmedMessage = message.trimmed();
    error.code = code.trimmed();
    if (error.code.isEmpty())
        error.code = trimmedMessage.isEmpty() ? unknownError : trimmedMessage;
    error.message = resolvedMessage(trimmedMessage, error.code, status);
    error.path = path.trimmed();
    return error;
}

// A text key: absent when missing or null; a value of another type fails the whole body.
bool readText(const QJsonObject& object, const QString& key, QString& into)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    into = value.toString();
    return true;
}

std::optional<ErrorBody> readErrorBody(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    ErrorBody fields;
    if (!readText(object, QStringLiteral("timestamp"), fields.timestamp)
        || !readText(object, QStringLiteral("message"), fields.message)
        || !readText(object, QStringLiteral("path"), fields.path))
        return std::nullopt;

    const QJsonValue code = object.value(QStringLiteral("code"));
    const bool hasCode = !code.isUndefined() && !code.isNull();
    if (!readText(object, hasCode ? QStringLiteral("code") : QStringLiteral("error"), fields.code))
        return std::nullopt;

    const QJsonValue status = object.value(QStringLiteral("status"));
    if (!status.isUndefined() && !status.isNull()) {
        const QVariant number = status.toVariant();
        if (!status.isDouble() || number.typeId() != QMetaType::LongLong)
            return std::nullopt;
        const qint64 value = number.toLongLong();
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
            return std::nullopt;
        fields.status = static_cast<int>(value);
    }
    return fields;
}

QString defaultCode(int status)
{
    if (status == 403)
        return QStringLiteral("Forbidden");
    if (status == 401)
        return QStringLiteral("Unauthorized");
    return QStringLiteral("Invalid Response");
}
}

ApiError ApiError::make(std::optional<int> status, const QString& code, const QString& message, const QString& path)
{
    return normalised({}, status.value_or(-1), code, message, path);
}

std::optional<ApiError> ApiError::fromBody(const QByteArray& body)
{
    const std::optional<ErrorBody> fields = readErrorBody(body);
    if (!fields)
        return std::nullopt;
    return normalised(fields->timestamp, fields->status.value_or(-1), fields->code, fields->message, fields->path);
}

ApiError ApiError::fromHttpFailure(int status, const QByteArray& body, const QString& urlPath)
{
    ErrorBody fields;
    if (const std::optional<ErrorBody> read = readErrorBody(body)) {
        fields = *read;
        if (fields.path.trimmed().isEmpty())
            fields.path = urlPath;
    } else {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(body);
        fields.status = status;
        fields.code = httpReasonPhrase(status);
        // A status without a standard phrase: the body is no code, so the default stands in.
        if (fields.code.isEmpty())
            fields.code = defaultCode(status);
        fields.message = decoder.hasError() ? QStringLiteral("No message") : text;
        fields.path = urlPath;
    }
    // For an error body the default code stands in only where normalisation finds neither a code nor a
    // message to take one from: a body whose message is the status's phrase keeps that phrase as code
    // and message.
    if (fields.code.trimmed().isEmpty() && fields.message.trimmed().isEmpty())
        fields.code = defaultCode(status);
    // The HTTP status decides, whatever the body says: a 401 must still lead to a refresh.
    return normalised(fields.timestamp, status, fields.code, fields.message, fields.path);
}
