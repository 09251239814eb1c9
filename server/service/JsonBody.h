// Strict reading of a JSON request object: a missing required key, a null where a value is needed
// or a value of the wrong type is refused with 400 and a message naming the key.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <optional>

struct ApiRequest;

class JsonBody
{
public:
    explicit JsonBody(QJsonObject object, QString context = {})
        : m_object(std::move(object))
        , m_context(std::move(context))
    {
    }
    // Parses the request body as a JSON object; an empty body counts as {} only when allowed.
    static JsonBody parse(const ApiRequest& request, bool emptyAllowed = false);

    bool has(const QString& key) const { return m_object.contains(key); }
    bool isNull(const QString& key) const { return m_object.value(key).isNull(); }

    QString requiredString(const QString& key) const;
    std::optional<QString> optionalString(const QString& key) const;
    qint64 requiredInteger(const QString& key) const;
    std::optional<qint64> optionalInteger(const QString& key) const;
    std::optional<bool> optionalBool(const QString& key) const;
    QJsonArray requiredArray(const QString& key) const;
    // Upper-case canonical text of a UUID.
    QString requiredUuid(const QString& key) const;
    std::optional<QString> optionalUuid(const QString& key) const;
    // A wire date, re-written in the canonical form.
    QString requiredDate(const QString& key) const;
    std::optional<QString> optionalDate(const QString& key) const;

private:
    [[noreturn]] void refuse(const QString& key, const QString& what) const;

    QJsonObject m_object;
    QString m_context;
};

// Upper-case canonical text of a UUID given as text (either case); absent when it is not one.
std::optional<QString> canonicalUuid(const QString& text);
