#include "transfer/ArchiveWriter.h"

#include "domain/Ids.h"
#include "transfer/ArchiveDates.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

void putOptional(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

void putOptional(QJsonObject& object, const QString& key, const std::optional<QUuid>& value)
{
    if (value)
        object.insert(key, uuidText(*value));
}

void putOptional(QJsonObject& object, const QString& key, const std::optional<QDateTime>& value)
{
    if (value)
        object.insert(key, archiveDateText(*value));
}

QJsonObject itemObject(const Item& item)
{
    QJsonObject object {
        {QStringLiteral("id"), uuidText(item.id)},
        {QStringLiteral("content"), item.content},
        {QStringLiteral("status"), itemStatusText(item.status)},
        {QStringLiteral("order"), item.order},
        {QStringLiteral("createdBy"), uuidText(item.createdBy)},
        {QStringLiteral("createdAt"), archiveDateText(item.createdAt)},
        {QStringLiteral("updatedAt"), archiveDateText(item.updatedAt)},
        {QStringLiteral("revision"), item.revision},
        {QStringLiteral("didSync"), item.didSync},
    };
    putOptional(object, QStringLiteral("assignee"), item.assignee);
    putOptional(object, QStringLiteral("author"), item.author);
    putOptional(object, QStringLiteral("deletedAt"), item.deletedAt);
    putOptional(object, QStringLiteral("archivedAt"), item.archivedAt);
    return object;
}

QJsonObject boardObject(const Board& board)
{
    QJsonArray items;
    for (const Item& item : board.items)
        items.append(itemObject(item));
    QJsonObject object {
        {QStringLiteral("id"), uuidText(board.id)},
        {QStringLiteral("name"), board.name},
        {QStringLiteral("createdAt"), archiveDateText(board.createdAt)},
        {QStringLiteral("updatedAt"), archiveDateText(board.updatedAt)},
        {QStringLiteral("syncWithServer"), board.syncWithServer},
        {QStringLiteral("createdBy"), board.createdBy},
        {QStringLiteral("isActive"), board.isActive},
        {QStringLiteral("revision"), board.revision},
        {QStringLiteral("items"), items},
    };
    putOptional(object, QStringLiteral("info"), board.info);
    return object;
}

QJsonObject copyObject(const ConflictCopy& copy)
{
    QJsonObject object {
        {QStringLiteral("id"), uuidText(copy.id)},
        {QStringLiteral("itemId"), uuidText(copy.itemId)},
        {QStringLiteral("boardId"), uuidText(copy.boardId)},
        {QStringLiteral("boardName"), copy.boardName},
        {QStringLiteral("content"), copy.content},
        {QStringLiteral("status"), itemStatusText(copy.status)},
        {QStringLiteral("createdBy"), uuidText(copy.createdBy)},
        {QStringLiteral("order"), copy.order},
        {QStringLiteral("savedAt"), archiveDateText(copy.savedAt)},
        {QStringLiteral("reason"), conflictReasonText(copy.reason)},
    };
    putOptional(object, QStringLiteral("assignee"), copy.assignee);
    return object;
}

QJsonArray layoutArray(const QList<SidebarEntryStorage>& layout)
{
    QJsonArray entries;
    for (const SidebarEntryStorage& entry : layout)
        entries.append(JsonCodec<SidebarEntryStorage>::encode(entry));
    return entries;
}

}

QByteArray writeArchive(const BoardArchive& archive, const QDateTime& exportedAt)
{
    QJsonArray boards;
    for (const Board& board : archive.boards)
        boards.append(boardObject(board));
    QJsonArray copies;
    for (const ConflictCopy& copy : archive.conflictCopies)
        copies.append(copyObject(copy));
    const QJsonObject root {
        {QStringLiteral("format"), QStringLiteral("plenko-archive")},
        {QStringLiteral("version"), boardArchiveVersion},
        {QStringLiteral("exportedAt"), archiveDateText(exportedAt)},
        {QStringLiteral("boards"), boards},
        {QStringLiteral("sidebar"),
            QJsonObject {{QStringLiteral("local"), layoutArray(archive.localLayout)},
                {QStringLiteral("remote"), layoutArray(archive.cloudLayout)}}},
        {QStringLiteral("conflictCopies"), copies},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
