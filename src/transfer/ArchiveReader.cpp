#include "transfer/ArchiveReader.h"

#include "transfer/JsonFieldReader.h"

#include <QSet>

namespace {

const QString formatName = QStringLiteral("plenko-archive");

ItemStatus readStatus(JsonFieldReader& reader, const QString& key)
{
    const QString text = reader.string(key);
    const auto status = itemStatusFromText(text);
    if (!status && !reader.failed())
        reader.fail(key, QStringLiteral("\"%1\" is not TODO, IN_PROGRESS or DONE").arg(text.left(40)));
    return status.value_or(ItemStatus::todo);
}

Item readItem(JsonFieldReader reader, const QUuid& boardId)
{
    Item item;
    item.id = reader.uuid(QStringLiteral("id"));
    item.content = reader.string(QStringLiteral("content"));
    item.status = readStatus(reader, QStringLiteral("status"));
    item.order = reader.integer(QStringLiteral("order"));
    item.boardId = boardId;
    item.createdBy = reader.uuid(QStringLiteral("createdBy"));
    item.assignee = reader.optionalUuid(QStringLiteral("assignee"));
    item.author = reader.optionalString(QStringLiteral("author"));
    item.createdAt = reader.date(QStringLiteral("createdAt"));
    item.updatedAt = reader.date(QStringLiteral("updatedAt"));
    item.deletedAt = reader.optionalDate(QStringLiteral("deletedAt"));
    item.archivedAt = reader.optionalDate(QStringLiteral("archivedAt"));
    item.revision = reader.integer(QStringLiteral("revision"));
    item.didSync = reader.boolean(QStringLiteral("didSync"));
    return item;
}

Board readBoard(JsonFieldReader reader, QSet<QUuid>& itemIds)
{
    Board board;
    board.id = reader.uuid(QStringLiteral("id"));
    board.name = reader.string(QStringLiteral("name"));
    board.createdAt = reader.date(QStringLiteral("createdAt"));
    board.updatedAt = reader.date(QStringLiteral("updatedAt"));
    board.syncWithServer = reader.boolean(QStringLiteral("syncWithServer"));
    board.createdBy = reader.string(QStringLiteral("createdBy"));
    board.info = reader.optionalString(QStringLiteral("info"));
    board.isActive = reader.boolean(QStringLiteral("isActive"));
    board.revision = reader.integer(QStringLiteral("revision"));
    const QString itemsKey = QStringLiteral("items");
    const QJsonArray items = reader.array(itemsKey);
    board.items.reserve(items.size());
    for (qsizetype i = 0; i < items.size() && !reader.failed(); ++i) {
        JsonFieldReader itemReader = reader.element(items, itemsKey, i);
        Item item = readItem(itemReader, board.id);
        if (!reader.failed() && itemIds.contains(item.id))
            itemReader.fail(QStringLiteral("id"), QStringLiteral("the item %1 appears twice").arg(uuidText(item.id)));
        itemIds.insert(item.id);
        board.items.append(std::move(item));
    }
    return board;
}

ConflictCopy readCopy(JsonFieldReader reader)
{
    ConflictCopy copy;
    copy.id = reader.uuid(QStringLiteral("id"));
    copy.itemId = reader.uuid(QStringLiteral("itemId"));
    copy.boardId = reader.uuid(QStringLiteral("boardId"));
    copy.boardName = reader.string(QStringLiteral("boardName"));
    copy.content = reader.string(QStringLiteral("content"));
    copy.status = readStatus(reader, QStringLiteral("status"));
    copy.assignee = reader.optionalUuid(QStringLiteral("assignee"));
    copy.createdBy = reader.uuid(QStringLiteral("createdBy"));
    copy.order = reader.integer(QStringLiteral("order"));
    copy.savedAt = reader.date(QStringLiteral("savedAt"));
    const QString reason = reader.string(QStringLiteral("reason"));
    copy.reason = conflictReasonFromText(reason);
    if (!reader.failed() && conflictReasonText(copy.reason) != reason)
        reader.fail(QStringLiteral("reason"), QStringLiteral("\"%1\" is not a known reason").arg(reason.left(40)));
    return copy;
}

QList<SidebarEntryStorage> readLayout(JsonFieldReader& sidebar, const QString& key)
{
    QList<SidebarEntryStorage> layout;
    const QJsonArray entries = sidebar.array(key, false);
    for (qsizetype i = 0; i < entries.size() && !sidebar.failed(); ++i) {
        const auto entry = JsonCodec<SidebarEntryStorage>::decode(entries.at(i));
        if (!entry)
            sidebar.fail(QStringLiteral("%1[%2]").arg(key).arg(i), QStringLiteral("not a board or a divider"));
        else
            layout.append(*entry);
    }
    return layout;
}

}

bool isBoardArchive(const QJsonObject& root)
{
    return root.value(QStringLiteral("format")).toString() == formatName;
}

std::expected<BoardArchive, FileFormatError> readArchive(const QJsonObject& root)
{
    JsonFieldReader reader(root, {});
    if (reader.string(QStringLiteral("format")) != formatName && !reader.failed())
        reader.fail(QStringLiteral("format"), QStringLiteral("this is not a Plenko archive"));
    const qint64 version = reader.integer(QStringLiteral("version"));
    if (!reader.failed() && (version < 1 || version > boardArchiveVersion))
        reader.fail(QStringLiteral("version"),
            QStringLiteral("version %1 is not one this Plenko reads (up to %2)").arg(version).arg(boardArchiveVersion));
    if (reader.failed())
        return std::unexpected(reader.error());

    BoardArchive archive;
    QSet<QUuid> boardIds;
    QSet<QUuid> itemIds;
    const QString boardsKey = QStringLiteral("boards");
    const QJsonArray boards = reader.array(boardsKey);
    archive.boards.reserve(boards.size());
    for (qsizetype i = 0; i < boards.size() && !reader.failed(); ++i) {
        JsonFieldReader boardReader = reader.element(boards, boardsKey, i);
        Board board = readBoard(boardReader, itemIds);
        if (!reader.failed() && boardIds.contains(board.id))
            boardReader.fail(QStringLiteral("id"), QStringLiteral("the board %1 appears twice").arg(uuidText(board.id)));
        boardIds.insert(board.id);
        archive.boards.append(std::move(board));
    }
    if (!reader.failed() && root.contains(QStringLiteral("sidebar"))) {
        JsonFieldReader sidebar = reader.object(QStringLiteral("sidebar"));
        archive.localLayout = readLayout(sidebar, QStringLiteral("local"));
        archive.cloudLayout = readLayout(sidebar, QStringLiteral("remote"));
    }
    const QString copiesKey = QStringLiteral("conflictCopies");
    const QJsonArray copies = reader.array(copiesKey, false);
    for (qsizetype i = 0; i < copies.size() && !reader.failed(); ++i)
        archive.conflictCopies.append(readCopy(reader.element(copies, copiesKey, i)));
    if (reader.failed())
        return std::unexpected(reader.error());
    return archive;
}
