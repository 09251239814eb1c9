#include "domain/JsonRecordReader.h"

#include "domain/IsoDate.h"

#include <QVariant>

QString camelCaseKey(const QString& key)
{
    if (!key.contains(QLatin1Char('_')))
        return key;
    qsizetype first = 0;
    while (first < key.size() && key.at(first) == QLatin1Char('_'))
        ++first;
    if (first == key.size())
        return key;
    qsizetype last = key.size() - 1;
    while (key.at(last) == QLatin1Char('_'))
        --last;

    const QStringList words = key.mid(first, last - first + 1).split(QLatin1Char('_'), Qt::SkipEmptyParts);
    QString result = key.left(first) + words.first();
    for (qsizetype index = 1; index < words.size(); ++index) {
        const QString& word = words.at(index);
        result += word.left(1).toUpper() + word.mid(1);
    }
    return result + key.mid(last + 1);
}

namespace {
QJsonObject withCamelCaseKeys(const QJsonObject& object)
{
    // Usually every key is camel case already: the object is then shared rather than rebuilt,
    // which is most of the cost of decoding a large sync answer.
    bool hasSnakeCaseKey = false;
    for (auto it = object.constBegin(); it != object.constEnd() && !hasSnakeCaseKey; ++it)
        hasSnakeCaseKey = it.key().contains(QLatin1Char('_'));
    if (!hasSnakeCaseKey)
        return object;

    QJsonObject converted;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString key = camelCaseKey(it.key());
        // When the service sends both forms, the one already in camel case wins.
        if (key != it.key() && object.contains(key))
            continue;
        converted.insert(key, it.value());
    }
    return converted;
}

QString numberText(const QJsonValue& value)
{
    return QString::number(value.toDouble(), 'g', 17);
}
}

JsonRecordReader::JsonRecordReader(const QJsonObject& object, QString path)
    : m_object(withCamelCaseKeys(object))
    , m_path(std::move(path))
{
}

void JsonRecordReader::fail(const QString& description)
{
    if (!m_error)
        m_error = description;
}

QString JsonRecordReader::pathOf(const QString& key) const
{
    return m_path.isEmpty() ? key : m_path + QLatin1Char('.') + key;
}

std::optional<QJsonValue> JsonRecordReader::checked(const QString& key, const QJsonValue& value, Kind kind)
{
    bool matches = false;
    QString expected;
    switch (kind) {
    case Kind::string:
        matches = value.isString();
        expected = QStringLiteral("a string");
        break;
    case Kind::boolean:
        matches = value.isBool();
        expected = QStringLiteral("a boolean");
        break;
    case Kind::number:
        matches = value.isDouble();
        expected = QStringLiteral("a number");
        break;
    case Kind::object:
        matches = value.isObject();
        expected = QStringLiteral("an object");
        break;
    case Kind::array:
        matches = value.isArray();
        expected = QStringLiteral("an array");
        break;
    }
    if (matches)
        return value;
    fail(QStringLiteral("Wrong type for key: %1 (expected %2)").arg(pathOf(key), expected));
    return std::nullopt;
}

std::optional<QJsonValue> JsonRecordReader::required(const QString& key, Kind kind)
{
    if (failed())
        return std::nullopt;
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd()) {
        fail(QStringLiteral("Missing key: %1").arg(pathOf(key)));
        return std::nullopt;
    }
    if (it.value().isNull()) {
        fail(QStringLiteral("Null value for key: %1").arg(pathOf(key)));
        return std::nullopt;
    }
    return checked(key, it.value(), kind);
}

std::optional<QJsonValue> JsonRecordReader::optional(const QString& key, Kind kind)
{
    if (failed())
        return std::nullopt;
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return checked(key, value, kind);
}

std::optional<qint64> JsonRecordReader::integerFrom(const QString& key, const QJsonValue& value)
{
    // The JSON parser keeps every integral number that fits 64 bits as an integer; anything left as a
    // double has a fraction or is out of range.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    fail(QStringLiteral("Wrong type for key: %1 (expected a 64-bit integer, got %2)").arg(pathOf(key), numberText(value)));
    return std::nullopt;
}

std::optional<QUuid> JsonRecordReader::uuidFrom(const QString& path, const QJsonValue& value)
{
    const QString text = value.toString();
    // Only the canonical hyphenated form, in either letter case: no braces, no other lengths.
    const QUuid id = text.size() == 36 ? QUuid::fromString(text) : QUuid();
    if (!id.isNull() || text == QLatin1String("00000000-0000-0000-0000-000000000000"))
        return id;
    fail(QStringLiteral("Bad UUID for key: %1: %2").arg(path, text));
    return std::nullopt;
}

std::optional<QDateTime> JsonRecordReader::dateFrom(const QJsonValue& value)
{
    const QString text = value.toString();
    std::optional<QDateTime> date = parseIsoDate(text);
    if (!date)
        fail(QStringLiteral("Bad date: ") + text);
    return date;
}

QString JsonRecordReader::string(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = requiredNode(key, JsonIndex::Kind::string);
        return node ? stringOf(*node) : QString();
    }
    const auto value = required(key, Kind::string);
    return value ? value->toString() : QString();
}

std::optional<QString> JsonRecordReader::optionalString(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = optionalNode(key, JsonIndex::Kind::string);
        return node ? std::optional(stringOf(*node)) : std::nullopt;
    }
    const auto value = optional(key, Kind::string);
    return value ? std::optional(value->toString()) : std::nullopt;
}

std::optional<bool> JsonRecordReader::optionalBool(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = optionalNode(key, JsonIndex::Kind::boolean);
        return node ? std::optional(node->plain) : std::nullopt;
    }
    const auto value = optional(key, Kind::boolean);
    return value ? std::optional(value->toBool()) : std::nullopt;
}

qint64 JsonRecordReader::integer(const QString& key)
{
    if (m_index) {
        const auto value = optionalInteger(key);
        if (!value)
            giveUp();
        return value.value_or(0);
    }
    const auto value = required(key, Kind::number);
    return value ? integerFrom(key, *value).value_or(0) : 0;
}

std::optional<qint64> JsonRecordReader::optionalInteger(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = optionalNode(key, JsonIndex::Kind::number);
        const auto value = node ? m_index->integer(*node) : std::nullopt;
        if (node && !value)
            giveUp();
        return value;
    }
    const auto value = optional(key, Kind::number);
    return value ? integerFrom(key, *value) : std::nullopt;
}

QUuid JsonRecordReader::uuid(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = requiredNode(key, JsonIndex::Kind::string);
        return node ? uuidOf(*m_index, *node) : QUuid();
    }
    const auto value = required(key, Kind::string);
    return value ? uuidFrom(pathOf(key), *value).value_or(QUuid()) : QUuid();
}

std::optional<QUuid> JsonRecordReader::optionalUuid(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = optionalNode(key, JsonIndex::Kind::string);
        return node ? std::optional(uuidOf(*m_index, *node)) : std::nullopt;
    }
    const auto value = optional(key, Kind::string);
    return value ? uuidFrom(pathOf(key), *value) : std::nullopt;
}

QDateTime JsonRecordReader::date(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = requiredNode(key, JsonIndex::Kind::string);
        return node ? dateOf(*node) : QDateTime();
    }
    const auto value = required(key, Kind::string);
    return value ? dateFrom(*value).value_or(QDateTime()) : QDateTime();
}

std::optional<QDateTime> JsonRecordReader::optionalDate(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = optionalNode(key, JsonIndex::Kind::string);
        return node ? std::optional(dateOf(*node)) : std::nullopt;
    }
    const auto value = optional(key, Kind::string);
    return value ? dateFrom(*value) : std::nullopt;
}

QList<QUuid> JsonRecordReader::uuidList(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = requiredNode(key, JsonIndex::Kind::array);
        return node ? uuidsOf(*m_index, *node) : QList<QUuid>();
    }
    const auto value = required(key, Kind::array);
    if (!value)
        return {};
    const QJsonArray array = value->toArray();
    QList<QUuid> ids;
    ids.reserve(array.size());
    for (qsizetype index = 0; index < array.size() && !failed(); ++index) {
        const QString path = pathOf(key) + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
        const QJsonValue element = array.at(index);
        if (!element.isString()) {
            fail(QStringLiteral("Wrong type for key: %1 (expected a string)").arg(path));
            break;
        }
        if (const auto id = uuidFrom(path, element))
            ids.append(*id);
    }
    return ids;
}

FieldUpdate<QUuid> JsonRecordReader::uuidUpdate(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = member(key);
        if (!node)
            return FieldUpdate<QUuid>::unchanged();
        if (node->kind == JsonIndex::Kind::null)
            return FieldUpdate<QUuid>::cleared();
        const auto id = optionalUuid(key);
        return id ? FieldUpdate<QUuid>::set(*id) : FieldUpdate<QUuid>::unchanged();
    }
    if (!m_object.contains(key))
        return FieldUpdate<QUuid>::unchanged();
    if (m_object.value(key).isNull())
        return FieldUpdate<QUuid>::cleared();
    const auto id = optionalUuid(key);
    return id ? FieldUpdate<QUuid>::set(*id) : FieldUpdate<QUuid>::unchanged();
}

FieldUpdate<QString> JsonRecordReader::stringUpdate(const QString& key)
{
    if (m_index) {
        const JsonIndex::Node* node = member(key);
        if (!node)
            return FieldUpdate<QString>::unchanged();
        if (node->kind == JsonIndex::Kind::null)
            return FieldUpdate<QString>::cleared();
        const auto text = optionalString(key);
        return text ? FieldUpdate<QString>::set(*text) : FieldUpdate<QString>::unchanged();
    }
    if (!m_object.contains(key))
        return FieldUpdate<QString>::unchanged();
    if (m_object.value(key).isNull())
        return FieldUpdate<QString>::cleared();
    const auto text = optionalString(key);
    return text ? FieldUpdate<QString>::set(*text) : FieldUpdate<QString>::unchanged();
}
