// How a preference value becomes JSON and back. Each stored type has a JsonCodec<T> with
//   static QJsonValue encode(const T&);
//   static std::optional<T> decode(const QJsonValue&);   // nullopt: not a T
// Code that keeps its own records in the preferences specialises JsonCodec for them (records as
// JSON objects, text enumerations through TextEnumJsonCodec).
#pragma once

#include "domain/Ids.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

template<typename T>
struct JsonCodec;

template<>
struct JsonCodec<bool>
{
    static QJsonValue encode(bool value) { return value; }
    static std::optional<bool> decode(const QJsonValue& json)
    {
        if (!json.isBool())
            return std::nullopt;
        return json.toBool();
    }
};

// JSON numbers that are whole and fit the range; 1.5 or 1e300 are not integers.
template<typename Integer>
struct IntegerJsonCodec
{
    static QJsonValue encode(Integer value) { return static_cast<qint64>(value); }
    static std::optional<Integer> decode(const QJsonValue& json)
    {
        if (!json.isDouble())
            return std::nullopt;
        const double asDouble = json.toDouble();
        if (std::trunc(asDouble) != asDouble)
            return std::nullopt;
        // Doubles lose precision past 2^53, so take the exact integer when the parser kept one.
        constexpr qint64 sentinel = std::numeric_limits<qint64>::min();
        const qint64 exact = json.toInteger(sentinel);
        if (exact == sentinel && asDouble != static_cast<double>(sentinel))
            return std::nullopt;
        if (exact < static_cast<qint64>(std::numeric_limits<Integer>::min())
            || exact > static_cast<qint64>(std::numeric_limits<Integer>::max()))
            return std::nullopt;
        return static_cast<Integer>(exact);
    }
};

template<>
struct JsonCodec<int> : IntegerJsonCodec<int>
{
};

template<>
struct JsonCodec<qint64> : IntegerJsonCodec<qint64>
{
};

template<>
struct JsonCodec<QString>
{
    static QJsonValue encode(const QString& value) { return value; }
    static std::optional<QString> decode(const QJsonValue& json)
    {
        if (!json.isString())
            return std::nullopt;
        return json.toString();
    }
};

template<>
struct JsonCodec<QUuid>
{
    static QJsonValue encode(const QUuid& value) { return uuidText(value); }
    static std::optional<QUuid> decode(const QJsonValue& json)
    {
        if (!json.isString())
            return std::nullopt;
        return uuidFromText(json.toString());
    }
};

// An absent optional is never stored (setting it removes the entry), so a stored null is foreign.
template<typename T>
struct JsonCodec<std::optional<T>>
{
    static QJsonValue encode(const std::optional<T>& value)
    {
        return value ? JsonCodec<T>::encode(*value) : QJsonValue();
    }
    static std::optional<std::optional<T>> decode(const QJsonValue& json)
    {
        std::optional<T> value = JsonCodec<T>::decode(json);
        if (!value)
            return std::nullopt;
        return std::optional<T>(std::move(*value));
    }
};

// One element that does not decode spoils the whole array: a half-read list would silently drop data.
template<typename T>
struct JsonCodec<QList<T>>
{
    static QJsonValue encode(const QList<T>& values)
    {
        QJsonArray array;
        for (const T& value : values)
            array.append(JsonCodec<T>::encode(value));
        return array;
    }
    static std::optional<QList<T>> decode(const QJsonValue& json)
    {
        if (!json.isArray())
            return std::nullopt;
        const QJsonArray array = json.toArray();
        QList<T> values;
        values.reserve(array.size());
        for (const QJsonValue& element : array) {
            std::optional<T> value = JsonCodec<T>::decode(element);
            if (!value)
                return std::nullopt;
            values.append(std::move(*value));
        }
        return values;
    }
};

// Sets are written in a sorted order so the same set always gives the same bytes.
template<typename T>
struct JsonCodec<QSet<T>>
{
    static QJsonValue encode(const QSet<T>& values)
    {
        QList<QJsonValue> elements;
        elements.reserve(values.size());
        for (const T& value : values)
            elements.append(JsonCodec<T>::encode(value));
        std::sort(elements.begin(), elements.end(), [](const QJsonValue& a, const QJsonValue& b) {
            return a.toVariant().toString() < b.toVariant().toString();
        });
        QJsonArray array;
        for (const QJsonValue& element : elements)
            array.append(element);
        return array;
    }
    static std::optional<QSet<T>> decode(const QJsonValue& json)
    {
        const std::optional<QList<T>> list = JsonCodec<QList<T>>::decode(json);
        if (!list)
            return std::nullopt;
        return QSet<T>(list->cbegin(), list->cend());
    }
};

// For enumerations stored by their text value:
//   template<> struct JsonCodec<Colour> : TextEnumJsonCodec<Colour, &colourText, &colourFromText> {};
template<typename Enum, QString (*toText)(Enum), std::optional<Enum> (*fromText)(const QString&)>
struct TextEnumJsonCodec
{
    static QJsonValue encode(Enum value) { return toText(value); }
    static std::optional<Enum> decode(const QJsonValue& json)
    {
        if (!json.isString())
            return std::nullopt;
        return fromText(json.toString());
    }
};
