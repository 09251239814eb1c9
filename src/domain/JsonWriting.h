// Small helpers for writing wire records as JSON, shared by the request encoder and the service-side
// encoder the tests use.
#pragma once

#include "domain/Ids.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QUuid>
#include <optional>

namespace JsonWriting {

inline QJsonValue uuidValue(const QUuid& id)
{
    return uuidText(id);
}

template<typename T, typename Convert>
void insertIfPresent(QJsonObject& object, const QString& key, const std::optional<T>& value, Convert convert)
{
    if (value)
        object.insert(key, convert(*value));
}

inline void insertIfPresent(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

// Each record through its toJson overload, found where the record type is declared.
template<typename T>
QJsonArray arrayOf(const QList<T>& records)
{
    QJsonArray array;
    for (const T& record : records)
        array.append(toJson(record));
    return array;
}

} // namespace JsonWriting
