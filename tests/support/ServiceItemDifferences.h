// Every field of a stored item against the stand-in service's copy of it, for the soak tests that
// check convergence; empty when they agree.
#pragma once

#include "domain/Ids.h"
#include "store/LocalDataService.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QVariant>

inline QStringList serviceItemDifferences(const LocalItem& local, const QJsonObject& service)
{
    const RemoteItem mine = LocalDataService::toRemoteItem(local);
    QStringList found;
    auto check = [&](const char* field, const QJsonValue& ours) {
        const QJsonValue theirs = service.value(QLatin1String(field));
        const bool same = (ours.isNull() || ours.isUndefined()) ? (theirs.isNull() || theirs.isUndefined())
                                                                : ours == theirs;
        if (!same) {
            found.append(
                QStringLiteral("%1: client %2, service %3")
                    .arg(QLatin1String(field), ours.toVariant().toString(), theirs.toVariant().toString()));
        }
    };
    auto optionalText
        = [](const std::optional<QString>& text) { return text ? QJsonValue(*text) : QJsonValue(); };
    check("content", mine.content);
    check("status", mine.status);
    check("boardId", uuidText(mine.boardId));
    check("createdBy", uuidText(mine.createdBy));
    check("assignee", mine.assignee ? QJsonValue(uuidText(*mine.assignee)) : QJsonValue());
    check("order", mine.order);
    check("createdAt", mine.createdAt);
    check("updatedAt", mine.updatedAt);
    check("archivedAt", optionalText(mine.archivedAt));
    check("deletedAt", optionalText(mine.deletedAt));
    check("revision", mine.revision);
    return found;
}
