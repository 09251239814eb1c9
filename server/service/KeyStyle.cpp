#include "KeyStyle.h"

#include <QJsonArray>
#include <QJsonObject>

QString KeyStyle::snakeCase(const QString& camel)
{
    QString result;
    for (qsizetype i = 0; i < camel.size(); ++i) {
        const QChar c = camel.at(i);
        const QChar previous = i > 0 ? camel.at(i - 1) : QChar();
        if (c.isUpper()) {
            if (i > 0)
                result += QLatin1Char('_');
            result += c.toLower();
        } else if (c.isDigit() && previous.isLetter()) {
            result += QLatin1Char('_');
            result += c;
        } else {
            result += c;
        }
    }
    return result;
}

QJsonValue KeyStyle::toSnakeCase(const QJsonValue& value)
{
    if (value.isArray()) {
        QJsonArray converted;
        for (const QJsonValue& element : value.toArray())
            converted.append(toSnakeCase(element));
        return converted;
    }
    if (value.isObject()) {
        QJsonObject converted;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            converted.insert(snakeCase(it.key()), toSnakeCase(it.value()));
        return converted;
    }
    return value;
}
