// The properties of the item usage events: where the board lives, whether the service accepted the
// change, and what became of it.
#pragma once

#include "domain/Board.h"
#include "domain/StorageOption.h"

#include <QJsonObject>

namespace ItemEvents {

inline QString storage(bool syncWithServer)
{
    return storageOptionText(storageOf(syncWithServer));
}

inline const QString success = QStringLiteral("success");
inline const QString failed = QStringLiteral("failed");
inline const QString localOnly = QStringLiteral("local_only");

// "storage", "synced" and "status": added, merged.
inline QJsonObject withStatus(bool cloud, bool synced, ItemStatus status)
{
    return {{QStringLiteral("storage"), storage(cloud)}, {QStringLiteral("synced"), synced},
        {QStringLiteral("status"), itemStatusText(status)}};
}

// The same with "result": updated, status changed.
inline QJsonObject withStatusAndResult(bool cloud, bool synced, ItemStatus status, const QString& result)
{
    QJsonObject properties = withStatus(cloud, synced, status);
    properties.insert(QStringLiteral("result"), result);
    return properties;
}

inline QJsonObject deleted(bool cloud, bool synced, const QString& result)
{
    return {{QStringLiteral("storage"), storage(cloud)}, {QStringLiteral("synced"), synced},
        {QStringLiteral("result"), result}};
}

inline QJsonObject archived(bool cloud, bool synced, bool archived)
{
    return {{QStringLiteral("storage"), storage(cloud)}, {QStringLiteral("synced"), synced},
        {QStringLiteral("state"), archived ? QStringLiteral("archived") : QStringLiteral("unarchived")}};
}

inline QJsonObject moved(bool fromCloud, bool toCloud, const QString& result, bool synced)
{
    return {{QStringLiteral("from_storage"), storage(fromCloud)},
        {QStringLiteral("to_storage"), storage(toCloud)}, {QStringLiteral("result"), result},
        {QStringLiteral("synced"), synced}};
}

}
