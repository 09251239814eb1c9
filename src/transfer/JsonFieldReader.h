// Reads the fields of one JSON object of an imported file, strictly: a required field must be there
// with the right type, an optional one may be missing or null. The first problem is kept with the
// field's path ("boards[2].items[14].status") and later reads give defaults, so a record can be read
// whole and checked once.
#pragma once

#include "transfer/FileFormatError.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <expected>
#include <memory>
#include <optional>

class JsonFieldReader
{
public:
    // Readers of nested objects share the first problem with the reader they came from.
    JsonFieldReader(const QJsonObject& object, QString path);

    QString string(const QString& key);
    std::optional<QString> optionalString(const QString& key);
    bool boolean(const QString& key);
    std::optional<bool> optionalBoolean(const QString& key);
    qint64 integer(const QString& key);
    double number(const QString& key, double fallback);
    QUuid uuid(const QString& key);
    std::optional<QUuid> optionalUuid(const QString& key);
    QDateTime date(const QString& key);
    std::optional<QDateTime> optionalDate(const QString& key);
    // A missing array reads as empty when not required.
    QJsonArray array(const QString& key, bool required = true);
    // The element of an array as an object, reported under key[index] when it is not one.
    JsonFieldReader element(const QJsonArray& array, const QString& key, qsizetype index);
    JsonFieldReader object(const QString& key);

    void fail(const QString& key, const QString& problem);
    bool failed() const { return m_error->has_value(); }
    FileFormatError error() const { return m_error->value_or(FileFormatError {}); }
    QString pathOf(const QString& key) const;

private:
    JsonFieldReader(const QJsonObject& object, QString path, std::shared_ptr<std::optional<FileFormatError>> error);
    QJsonValue required(const QString& key);
    const QString& path() const;

    QJsonObject m_object;
    // An element's path is made only when it is needed (a problem, or a nested reader's path):
    // a large file has a hundred thousand elements and, as a rule, no problem.
    mutable QString m_path;
    mutable const JsonFieldReader* m_parent = nullptr;
    QString m_elementKey;
    qsizetype m_index = -1;
    std::shared_ptr<std::optional<FileFormatError>> m_error;
};

// The file as one JSON object; a syntax error names its line and column.
std::expected<QJsonObject, FileFormatError> readJsonObject(const QByteArray& bytes);
