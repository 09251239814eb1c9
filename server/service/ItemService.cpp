#include "ItemService.h"

#include "AuthService.h"
#include "BoardService.h"
#include "HttpError.h"
#include "ItemStore.h"
#include "JsonBody.h"
#include "NotificationService.h"
#include "TextLimits.h"

namespace {

void refuseIf(const std::optional<QString>& problem, const QString& code)
{
    if (problem)
        throw HttpError(400, code, *problem);
}

} // namespace

ItemService::ItemService(BoardService& boards, ItemStore& items, NotificationService& notifications)
    : m_boards(boards)
    , m_items(items)
    , m_notifications(notifications)
{
}

QJsonObject ItemService::add(
    const Account& me, const QString& boardId, const QString& itemId, const JsonBody& body)
{
    m_boards.lockWritable(me, boardId);
    const QString content = body.requiredString(QStringLiteral("content"));
    const QString status = body.requiredString(QStringLiteral("status"));
    const qint64 order = body.requiredInteger(QStringLiteral("order"));
    const QString createdAt = body.requiredDate(QStringLiteral("createdAt"));
    const QString bodyBoardId = body.requiredUuid(QStringLiteral("boardId"));
    const std::optional<QString> assignee = body.optionalUuid(QStringLiteral("assignee"));
    refuseIf(ItemStore::contentProblem(content), TextLimits::refusalCode(content, QStringLiteral("CONTENT_TOO_LONG")));
    refuseIf(ItemStore::statusProblem(status), QStringLiteral("INVALID_STATUS"));
    if (bodyBoardId != boardId)
        throw HttpError::badRequest(QStringLiteral("\"boardId\" must be the board of the path."));
    checkAssignee(boardId, assignee);

    std::optional<ItemRecord> existing = m_items.find(itemId);
    if (existing && existing->boardId != boardId)
        throw HttpError(409, QStringLiteral("ITEM_ID_CONFLICT"),
            QStringLiteral("An item with this id belongs to another board."));

    ItemRecord item;
    std::optional<QString> previousAssignee;
    if (existing) {
        // Posting an id again replaces the item; a tombstone comes back to life.
        item = *existing;
        previousAssignee = existing->assignee;
        item.deletedAt.reset();
    } else {
        item.id = itemId;
        item.boardId = boardId;
        item.createdBy = me.id;
        item.author = me.shownName();
        item.createdAt = createdAt;
    }
    item.content = content;
    item.status = status;
    item.order = order;
    item.assignee = assignee;
    if (existing)
        m_items.save(item);
    else
        m_items.insert(item);
    notifyAssignment(me, item, previousAssignee);
    return item.toResponseJson();
}

QJsonObject ItemService::update(
    const Account& me, const QString& boardId, const QString& itemId, const JsonBody& body)
{
    m_boards.lockWritable(me, boardId);
    ItemRecord item = requireItem(boardId, itemId);
    const qint64 revision = body.requiredInteger(QStringLiteral("revision"));
    const std::optional<QString> content = body.optionalString(QStringLiteral("content"));
    const std::optional<QString> status = body.optionalString(QStringLiteral("status"));
    const std::optional<qint64> order = body.optionalInteger(QStringLiteral("order"));
    const std::optional<QString> targetBoard = body.optionalUuid(QStringLiteral("boardId"));
    const bool assigneeGiven = body.has(QStringLiteral("assignee"));
    const std::optional<QString> assignee = body.optionalUuid(QStringLiteral("assignee"));
    const bool archiveGiven = body.has(QStringLiteral("archivedAt"));
    const std::optional<QString> archivedAt = body.optionalDate(QStringLiteral("archivedAt"));
    if (!content && !status && !order && !targetBoard && !assigneeGiven && !archiveGiven)
        throw HttpError::badRequest(QStringLiteral("Nothing to change besides \"revision\"."));
    if (content)
        refuseIf(ItemStore::contentProblem(*content),
            TextLimits::refusalCode(*content, QStringLiteral("CONTENT_TOO_LONG")));
    if (status)
        refuseIf(ItemStore::statusProblem(*status), QStringLiteral("INVALID_STATUS"));
    if (item.isDeleted())
        throw HttpError(409, QStringLiteral("ITEM_DELETED"), QStringLiteral("This item has been deleted."));
    if (revision < item.revision)
        throw HttpError(409, QStringLiteral("REVISION_CONFLICT"),
            QStringLiteral("Someone else changed this item. Refresh the board to get the latest version."));

    const bool moving = targetBoard && *targetBoard != boardId;
    if (moving && !m_boards.isMember(*targetBoard, me.id))
        // Not "BOARD_ACCESS_DENIED": that would make the client drop the source board.
        throw HttpError(403, QStringLiteral("TARGET_BOARD_ACCESS_DENIED"),
            QStringLiteral("You don't have access to the target board."));
    if (moving)
        m_boards.lockWritable(me, *targetBoard);
    if (assigneeGiven)
        checkAssignee(moving ? *targetBoard : boardId, assignee);

    const std::optional<QString> previousAssignee = item.assignee;
    if (content)
        item.content = *content;
    if (status)
        item.status = *status;
    if (order)
        item.order = *order;
    if (assigneeGiven)
        item.assignee = assignee;
    if (archiveGiven)
        item.archivedAt = archivedAt;
    if (moving)
        m_items.moveToBoard(item, *targetBoard);
    else
        m_items.save(item);
    notifyAssignment(me, item, previousAssignee);
    return item.toResponseJson();
}

QJsonObject ItemService::remove(const Account& me, const QString& boardId, const QString& itemId)
{
    m_boards.lockWritable(me, boardId);
    ItemRecord item = requireItem(boardId, itemId);
    // Deleting twice is harmless: the second answer names the tombstone's revision.
    if (!item.isDeleted())
        m_items.tombstone(item);
    return item.toResponseJson();
}

void ItemService::notifyAssignment(
    const Account& me, const ItemRecord& item, const std::optional<QString>& previousAssignee)
{
    if (item.assignee && item.assignee != previousAssignee && *item.assignee != me.id)
        m_notifications.notify(*item.assignee, QStringLiteral("ItemAssigned"), item.boardId, item.id, me);
}

ItemRecord ItemService::requireItem(const QString& boardId, const QString& itemId) const
{
    const std::optional<ItemRecord> item = m_items.find(itemId);
    if (!item || item->boardId != boardId)
        throw HttpError(404, QStringLiteral("ITEM_NOT_FOUND"), QStringLiteral("No such item on this board."));
    return *item;
}

void ItemService::checkAssignee(const QString& boardId, const std::optional<QString>& assignee) const
{
    if (assignee && !m_boards.isMember(boardId, *assignee))
        throw HttpError(400, QStringLiteral("ASSIGNEE_NOT_MEMBER"),
            QStringLiteral("Items can only be assigned to board members."));
}
