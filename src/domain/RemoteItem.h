// An item as the service sends and receives it. Dates stay text here; the conversions parse them.
#pragma once

#include <QString>
#include <QUuid>

#include <optional>

struct RemoteItem
{
    QUuid id;
    QString content;
    QString status; // any text is accepted on the wire; unknown texts become todo in the conversion
    QUuid boardId;
    QString createdAt;
    QUuid createdBy;
    std::optional<QUuid> assignee;
    std::optional<QString> author;
    qint64 order = 0;
    QString updatedAt;
    std::optional<QString> deletedAt;
    std::optional<QString> archivedAt;
    qint64 revision = 0;
};
