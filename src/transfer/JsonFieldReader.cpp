#include "transfer/JsonFieldReader.h"

#include "domain/Ids.h"
#include "transfer/ArchiveDates.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

JsonFieldReader::JsonFieldReader(const QJsonObject& object, QString path)
    : JsonFieldReader(object, std::move(path), std::make_shared<std::optional<FileFormatError>>())
{
}

JsonFieldReader::JsonFieldReader(
    const QJsonObject& object, QString path, std::shared_ptr<std::optional<FileFormatError>> error)
    : m_object(object)
    , m_path(std::move(path))
    , m_error(std::move(error))
{
}

const QString& JsonFieldReader::path() const
{
    if (m_parent) {
        m_path = m_parent->pathOf(QStringLiteral("%1[%2]").arg(m_elementKey).arg(m_index));
        m_parent = nullptr;
    }
    return m_path;
}

QString JsonFieldReader::pathOf(const QString& key) const
{
    const QString& base = path();
    if (base.isEmpty())
        return key;
    return key.startsWith(QLatin1Char('[')) ? base + key : base + QLatin1Char('.') + key;
}

void JsonFieldReader::fail(const QString& key, const QString& problem)
{
    if (!failed())
        *m_error = FileFormatError::atField(pathOf(key), problem);
}

QJsonValue JsonFieldReader::required(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        fail(key, QStringLiteral("missing"));
    return value;
}

QString JsonFieldReader::string(const QString& key)
{
    const QJsonValue value = required(key);
    if (!value.isUndefined() && !value.isNull() && !value.isString())
        fail(key, QStringLiteral("expected text"));
    return value.toString();
}

std::optional<QString> JsonFieldReader::optionalString(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString()) {
        fail(key, QStringLiteral("expected text"));
        return std::nullopt;
    }
    return value.toString();
}

bool JsonFieldReader::boolean(const QString& key)
{
    const QJsonValue value = required(key);
    if (!value.isUndefined() && !value.isNull() && !value.isBool())
        fail(key, QStringLiteral("expected true or false"));
    return value.toBool();
}

std::optional<bool> JsonFieldReader::optionalBoolean(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isBool()) {
        fail(key, QStringLiteral("expected true or false"));
        return std::nullopt;
    }
    return value.toBool();
}

qint64 JsonFieldReader::integer(const QString& key)
{
    const QJsonValue value = required(key);
    if (value.isUndefined() || value.isNull())
        return 0;
    const double number = value.toDouble();
    // Beyond 2^53 a JSON number no longer holds every whole number exactly.
    if (!value.isDouble() || std::trunc(number) != number || std::fabs(number) > 9007199254740992.0) {
        fail(key, QStringLiteral("expected a whole number"));
        return 0;
    }
    return value.toInteger();
}

double JsonFieldReader::number(const QString& key, double fallback)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    if (value.isString()) {
        // Trello writes some positions as text.
        bool ok = false;
        const double parsed = value.toString().toDouble(&ok);
        if (ok)
            return parsed;
    }
    if (!value.isDouble()) {
        fail(key, QStringLiteral("expected a number"));
        return fallback;
    }
    return value.toDouble();
}

QUuid JsonFieldReader::uuid(const QString& key)
{
    const QString text = string(key);
    if (failed())
        return {};
    const auto id = uuidFromText(text);
    if (!id)
        fail(key, QStringLiteral("\"%1\" is not an id").arg(text.left(40)));
    return id.value_or(QUuid());
}

std::optional<QUuid> JsonFieldReader::optionalUuid(const QString& key)
{
    const auto text = optionalString(key);
    if (!text)
        return std::nullopt;
    const auto id = uuidFromText(*text);
    if (!id)
        fail(key, QStringLiteral("\"%1\" is not an id").arg(text->left(40)));
    return id;
}

QDateTime JsonFieldReader::date(const QString& key)
{
    const QString text = string(key);
    if (failed())
        return {};
    const auto date = parseArchiveDate(text);
    if (!date)
        fail(key, QStringLiteral("\"%1\" is not a date with a time zone").arg(text.left(40)));
    return date.value_or(QDateTime());
}

std::optional<QDateTime> JsonFieldReader::optionalDate(const QString& key)
{
    const auto text = optionalString(key);
    if (!text)
        return std::nullopt;
    const auto date = parseArchiveDate(*text);
    if (!date)
        fail(key, QStringLiteral("\"%1\" is not a date with a time zone").arg(text->left(40)));
    return date;
}

QJsonArray JsonFieldReader::array(const QString& key, bool isRequired)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull()) {
        if (isRequired)
            fail(key, QStringLiteral("missing"));
        return {};
    }
    if (!value.isArray())
        fail(key, QStringLiteral("expected a list"));
    return value.toArray();
}

JsonFieldReader JsonFieldReader::element(const QJsonArray& array, const QString& key, qsizetype index)
{
    const QJsonValue value = array.at(index);
    if (!value.isObject())
        fail(QStringLiteral("%1[%2]").arg(key).arg(index), QStringLiteral("expected an object"));
    JsonFieldReader reader(value.toObject(), {}, m_error);
    // The element's reader never outlives this one: each is read within its parent's read.
    reader.m_parent = this;
    reader.m_elementKey = key;
    reader.m_index = index;
    return reader;
}

JsonFieldReader JsonFieldReader::object(const QString& key)
{
    const QJsonValue value = required(key);
    if (!value.isUndefined() && !value.isNull() && !value.isObject())
        fail(key, QStringLiteral("expected an object"));
    return JsonFieldReader(value.toObject(), pathOf(key), m_error);
}

std::expected<QJsonObject, FileFormatError> readJsonObject(const QByteArray& bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const QByteArrayView before = QByteArrayView(bytes).first(std::clamp<qsizetype>(parseError.offset, 0, bytes.size()));
        const qsizetype line = before.count('\n') + 1;
        const qsizetype column = before.size() - (before.lastIndexOf('\n') + 1) + 1;
        return std::unexpected(FileFormatError::atLine(line,
            QStringLiteral("not valid JSON at column %1 (%2)").arg(column).arg(parseError.errorString())));
    }
    if (!document.isObject())
        return std::unexpected(FileFormatError::atLine(1, QStringLiteral("expected a JSON object")));
    return document.object();
}
