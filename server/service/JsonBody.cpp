#include "JsonBody.h"

#include "Clock.h"
#include "HttpError.h"
#include "HttpMessage.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <cmath>

std::optional<QString> canonicalUuid(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    return text.toUpper();
}

JsonBody JsonBody::parse(const ApiRequest& request, bool emptyAllowed)
{
    if (request.body.trimmed().isEmpty()) {
        if (emptyAllowed)
            return JsonBody(QJsonObject());
        throw HttpError::badRequest(QStringLiteral("The request needs a JSON body."));
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError)
        throw HttpError(400, QStringLiteral("INVALID_JSON"),
            QStringLiteral("The request body is not valid JSON: ") + error.errorString());
    if (!document.isObject())
        throw HttpError(
            400, QStringLiteral("INVALID_JSON"), QStringLiteral("The request body must be a JSON object."));
    return JsonBody(document.object());
}

void JsonBody::refuse(const QString& key, const QString& what) const
{
    const QString name = m_context.isEmpty() ? key : m_context + QLatin1Char('.') + key;
    throw HttpError::badRequest(QStringLiteral("\"%1\" %2.").arg(name, what));
}

QString JsonBody::requiredString(const QString& key) const
{
    const QJsonValue value = m_object.value(key);
    if (!value.isString())
        refuse(key,
            value.isUndefined() || value.isNull() ? QStringLiteral("is required")
                                                  : QStringLiteral("must be a string"));
    return value.toString();
}

std::optional<QString> JsonBody::optionalString(const QString& key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        refuse(key, QStringLiteral("must be a string"));
    return value.toString();
}

qint64 JsonBody::requiredInteger(const QString& key) const
{
    const std::optional<qint64> value = optionalInteger(key);
    if (!value)
        refuse(key, QStringLiteral("is required"));
    return *value;
}

std::optional<qint64> JsonBody::optionalInteger(const QString& key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    const double number = value.toDouble();
    if (!value.isDouble() || std::trunc(number) != number)
        refuse(key, QStringLiteral("must be a whole number"));
    return value.toInteger();
}

std::optional<bool> JsonBody::optionalBool(const QString& key) const
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isBool())
        refuse(key, QStringLiteral("must be true or false"));
    return value.toBool();
}

QJsonArray JsonBody::requiredArray(const QString& key) const
{
    const QJsonValue value = m_object.value(key);
    if (!value.isArray())
        refuse(key,
            value.isUndefined() || value.isNull() ? QStringLiteral("is required")
                                                  : QStringLiteral("must be an array"));
    return value.toArray();
}

QString JsonBody::requiredUuid(const QString& key) const
{
    const std::optional<QString> uuid = canonicalUuid(requiredString(key));
    if (!uuid)
        refuse(key, QStringLiteral("must be a UUID"));
    return *uuid;
}

std::optional<QString> JsonBody::optionalUuid(const QString& key) const
{
    const std::optional<QString> text = optionalString(key);
    if (!text)
        return std::nullopt;
    const std::optional<QString> uuid = canonicalUuid(*text);
    if (!uuid)
        refuse(key, QStringLiteral("must be a UUID"));
    return uuid;
}

QString JsonBody::requiredDate(const QString& key) const
{
    const std::optional<QDateTime> date = Clock::parseIso(requiredString(key));
    if (!date)
        refuse(key, QStringLiteral("must be an ISO 8601 date such as 2024-05-01T12:30:00Z"));
    return Clock::iso(*date);
}

std::optional<QString> JsonBody::optionalDate(const QString& key) const
{
    const std::optional<QString> text = optionalString(key);
    if (!text)
        return std::nullopt;
    const std::optional<QDateTime> date = Clock::parseIso(*text);
    if (!date)
        refuse(key, QStringLiteral("must be an ISO 8601 date such as 2024-05-01T12:30:00Z"));
    return Clock::iso(*date);
}
