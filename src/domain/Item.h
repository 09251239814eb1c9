// One item (card) on a board: a short markdown text in one of three columns. Found by id.
#pragma once

#include "domain/ItemStatus.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

struct Item
{
    QUuid id;
    QString content;
    ItemStatus status = ItemStatus::todo;
    qint64 order = 0;
    QUuid boardId;
    QUuid createdBy;
    std::optional<QUuid> assignee;
    std::optional<QString> author;
    QDateTime createdAt;
    QDateTime updatedAt;
    std::optional<QDateTime> deletedAt; // a tombstone until the deletion is synchronised
    std::optional<QDateTime> archivedAt;
    qint64 revision = 0;
    bool didSync = false;

    bool isDeleted() const { return deletedAt.has_value(); }
    bool isArchived() const { return archivedAt.has_value(); }
};
