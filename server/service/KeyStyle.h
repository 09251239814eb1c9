// Rewrites the keys of a JSON answer from camelCase to snake_case (unreadCount7d becomes
// unread_count_7d), for the --snake-case mode that exercises the client's key conversion.
#pragma once

#include <QJsonValue>

namespace KeyStyle {
QString snakeCase(const QString& camel);
QJsonValue toSnakeCase(const QJsonValue& value);
}
