// A strict reader of one JSON object of a service response. Every key is converted from snake case to
// camel case first, so the service may send either form. Required values must be present, non-null
// and of the right JSON type; optional ones are absent when missing or null. The first failure is
// kept, with the path of the offending key, and later reads return defaults, so a record reader can
// read all its fields and ask once at the end.
//
// It reads either a QJsonObject or an object of an indexed text (JsonIndex, much quicker for large
// answers). On an indexed text a failure is not described: the caller reads the text again through
// QJsonDocument for the exact error (ServiceDecoder does).
#pragma once

#include "domain/JsonIndex.h"
#include "domain/WireRecords.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>
#include <QVarLengthArray>

#include <optional>

// board_name -> boardName, unread_count_7d -> unreadCount7d. Leading and trailing underscores are
// kept and repeated underscores count as one; a key without underscores is returned unchanged.
QString camelCaseKey(const QString& key);

class JsonRecordReader
{
public:
    // path names the object inside the whole document ("newItems[2]"), empty for the top level.
    explicit JsonRecordReader(const QJsonObject& object, QString path = {});
    // Reads the object at `object` of an indexed text. Failures are not described: whoever reads an
    // indexed text reads it again through QJsonDocument when anything fails, for the exact error.
    JsonRecordReader(const JsonIndex& index, quint32 object);

    QString string(const QString& key);
    std::optional<QString> optionalString(const QString& key);
    std::optional<bool> optionalBool(const QString& key);
    qint64 integer(const QString& key);
    std::optional<qint64> optionalInteger(const QString& key);
    QUuid uuid(const QString& key);
    std::optional<QUuid> optionalUuid(const QString& key);
    QDateTime date(const QString& key);
    std::optional<QDateTime> optionalDate(const QString& key);
    QList<QUuid> uuidList(const QString& key);
    // Partial updates: a missing key leaves the field unchanged, null clears it.
    FieldUpdate<QUuid> uuidUpdate(const QString& key);
    FieldUpdate<QString> stringUpdate(const QString& key);

    // read is called with a reader of the nested object: T read(JsonRecordReader&).
    template<typename Read>
    auto object(const QString& key, Read read) -> decltype(read(std::declval<JsonRecordReader&>()));
    template<typename Read>
    auto objectList(const QString& key, Read read) -> QList<decltype(read(std::declval<JsonRecordReader&>()))>;

    bool failed() const { return m_error.has_value(); }
    QString error() const { return m_error.value_or(QString()); }
    void fail(const QString& description);
    // Fails without a description, the way every failure of an indexed text ends.
    void giveUp() { fail(QString()); }

    QString pathOf(const QString& key) const;

private:
    enum class Kind { string, boolean, number, object, array };
    // The value of a required key of the given kind; absent (and failed) otherwise.
    std::optional<QJsonValue> required(const QString& key, Kind kind);
    // Absent when missing or null; failed when present with another kind.
    std::optional<QJsonValue> optional(const QString& key, Kind kind);
    std::optional<QJsonValue> checked(const QString& key, const QJsonValue& value, Kind kind);
    std::optional<qint64> integerFrom(const QString& key, const QJsonValue& value);
    std::optional<QUuid> uuidFrom(const QString& path, const QJsonValue& value);
    std::optional<QDateTime> dateFrom(const QJsonValue& value);

    // The same reads on an indexed text.
    void indexMembers(quint32 object);
    const JsonIndex::Node* member(QStringView key) const;
    const JsonIndex::Node* requiredNode(QStringView key, JsonIndex::Kind kind);
    const JsonIndex::Node* optionalNode(QStringView key, JsonIndex::Kind kind);
    QString stringOf(const JsonIndex::Node& node);
    QUuid uuidOf(const JsonIndex& index, const JsonIndex::Node& node);
    QDateTime dateOf(const JsonIndex::Node& node);
    QList<QUuid> uuidsOf(const JsonIndex& index, const JsonIndex::Node& array);

    QJsonObject m_object;
    QString m_path;
    std::optional<QString> m_error;

    struct Member
    {
        QLatin1StringView key;
        quint32 value;
    };
    const JsonIndex* m_index = nullptr;
    QVarLengthArray<Member, 16> m_members;
    QByteArray m_camelCaseKeys; // the converted keys of members sent in snake case
};

// Reads a JSON array element by element: each element must be an object, read with its own path.
template<typename Read>
auto readObjectArray(const QJsonArray& array, const QString& path, Read read, JsonRecordReader& owner)
    -> QList<decltype(read(std::declval<JsonRecordReader&>()))>
{
    QList<decltype(read(std::declval<JsonRecordReader&>()))> result;
    result.reserve(array.size());
    for (qsizetype index = 0; index < array.size() && !owner.failed(); ++index) {
        const QString elementPath = path + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
        const QJsonValue element = array.at(index);
        if (!element.isObject()) {
            owner.fail(QStringLiteral("Wrong type for key: %1 (expected an object)").arg(elementPath));
            break;
        }
        JsonRecordReader reader(element.toObject(), elementPath);
        auto value = read(reader);
        if (reader.failed()) {
            owner.fail(reader.error());
            break;
        }
        result.append(std::move(value));
    }
    return result;
}

// Reads the object at `node` of an indexed text, indexing its own text first when it was left whole.
// Absent when the node is no object or anything fails.
template<typename Read>
auto readIndexedObject(const JsonIndex& index, const JsonIndex::Node& node, Read read)
    -> std::optional<decltype(read(std::declval<JsonRecordReader&>()))>
{
    if (node.kind != JsonIndex::Kind::object)
        return std::nullopt;
    if (node.whole) {
        const std::optional<JsonIndex> contents = index.contents(node);
        return contents ? readIndexedObject(*contents, contents->node(0), read) : std::nullopt;
    }
    JsonRecordReader reader(index, index.indexOf(node));
    auto value = read(reader);
    if (reader.failed())
        return std::nullopt;
    return value;
}

// Reads the elements of an indexed array as objects; absent when one is not an object or fails.
template<typename Read>
auto readIndexedObjectArray(const JsonIndex& index, const JsonIndex::Node& array, Read read)
    -> std::optional<QList<decltype(read(std::declval<JsonRecordReader&>()))>>
{
    if (array.whole) {
        const std::optional<JsonIndex> contents = index.contents(array);
        return contents ? readIndexedObjectArray(*contents, contents->node(0), read) : std::nullopt;
    }
    QList<decltype(read(std::declval<JsonRecordReader&>()))> result;
    result.reserve(array.size);
    for (quint32 element = index.indexOf(array) + 1; element < array.next;
         element = index.node(element).next) {
        auto value = readIndexedObject(index, index.node(element), read);
        if (!value)
            return std::nullopt;
        result.append(std::move(*value));
    }
    return result;
}

template<typename Read>
auto JsonRecordReader::object(const QString& key, Read read) -> decltype(read(std::declval<JsonRecordReader&>()))
{
    using T = decltype(read(std::declval<JsonRecordReader&>()));
    if (m_index) {
        const JsonIndex::Node* node = requiredNode(key, JsonIndex::Kind::object);
        std::optional<T> result = node ? readIndexedObject(*m_index, *node, read) : std::nullopt;
        if (!result)
            giveUp();
        return std::move(result).value_or(T {});
    }
    const std::optional<QJsonValue> value = required(key, Kind::object);
    if (!value)
        return T {};
    JsonRecordReader reader(value->toObject(), pathOf(key));
    T result = read(reader);
    if (reader.failed())
        fail(reader.error());
    return result;
}

template<typename Read>
auto JsonRecordReader::objectList(const QString& key, Read read)
    -> QList<decltype(read(std::declval<JsonRecordReader&>()))>
{
    if (m_index) {
        const JsonIndex::Node* node = requiredNode(key, JsonIndex::Kind::array);
        auto list = node ? readIndexedObjectArray(*m_index, *node, read) : std::nullopt;
        if (!list) {
            giveUp();
            return {};
        }
        return std::move(*list);
    }
    const std::optional<QJsonValue> value = required(key, Kind::array);
    if (!value)
        return {};
    return readObjectArray(value->toArray(), pathOf(key), read, *this);
}
