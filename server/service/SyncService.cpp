#include "SyncService.h"

#include "AuthService.h"
#include "BoardService.h"
#include "Clock.h"
#include "Database.h"
#include "HttpError.h"
#include "ItemService.h"
#include "ItemStore.h"
#include "JsonBody.h"

#include <QByteArrayList>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace {

// One pending item of the request, read strictly as a RemoteItem.
struct PendingItem
{
    QString id;
    QString content;
    QString status;
    qint64 order = 0;
    std::optional<QString> assignee;
    QString createdAt;
    std::optional<QString> deletedAt;
    std::optional<QString> archivedAt;
    qint64 revision = 0;
};

std::optional<QString> lenientDate(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    if (const auto date = Clock::parseIso(*text))
        return Clock::iso(*date);
    return std::nullopt;
}

PendingItem readPending(const QJsonValue& value, int index)
{
    if (!value.isObject())
        throw HttpError::badRequest(QStringLiteral("\"items[%1]\" must be an object.").arg(index));
    const JsonBody item(value.toObject(), QStringLiteral("items[%1]").arg(index));
    PendingItem pending;
    pending.id = item.requiredUuid(QStringLiteral("id"));
    pending.content = item.requiredString(QStringLiteral("content"));
    pending.status = item.requiredString(QStringLiteral("status"));
    item.requiredUuid(QStringLiteral("boardId"));
    item.requiredUuid(QStringLiteral("createdBy"));
    pending.order = item.requiredInteger(QStringLiteral("order"));
    pending.createdAt = item.requiredString(QStringLiteral("createdAt"));
    item.requiredString(QStringLiteral("updatedAt"));
    pending.revision = item.requiredInteger(QStringLiteral("revision"));
    pending.assignee = item.optionalUuid(QStringLiteral("assignee"));
    item.optionalString(QStringLiteral("author"));
    pending.deletedAt = item.optionalString(QStringLiteral("deletedAt"));
    pending.archivedAt = lenientDate(item.optionalString(QStringLiteral("archivedAt")));
    return pending;
}

} // namespace

SyncService::SyncService(Database& db, BoardService& boards, ItemStore& items, ItemService& itemService)
    : m_db(db)
    , m_boards(boards)
    , m_items(items)
    , m_itemService(itemService)
{
}

QByteArray SyncService::sync(const Account& me, const QString& boardId, const JsonBody& body)
{
    // A writer holds the board's row while it writes. A reader needs no lock and no snapshot: the
    // board's changes commit one at a time in revision order, so every read of them sees all changes
    // up to some revision, and the answer's checkpoint is the latest it saw.
    const Membership membership
        = m_db.writing() ? m_boards.lockMember(me, boardId) : m_boards.requireMember(me, boardId);
    qint64 checkpoint = body.requiredInteger(QStringLiteral("checkpoint"));
    if (checkpoint < 0)
        throw HttpError::badRequest(QStringLiteral("\"checkpoint\" must not be negative."));
    if (checkpoint > membership.board.revision)
        checkpoint = 0;
    const QJsonArray sent = body.requiredArray(QStringLiteral("items"));
    if (!sent.isEmpty())
        m_db.requireWriting();
    // Refused before anything is read or written: the client sends a larger pending set in parts.
    if (sent.size() > maxItemsPerSync)
        throw HttpError(413, QStringLiteral("TOO_MANY_ITEMS"),
            QStringLiteral("A sync carries at most %1 items; this one carried %2. Send them in parts.")
                .arg(maxItemsPerSync)
                .arg(sent.size()));
    // An archived board is read, never written: its members' pending changes wait until it is
    // brought back (the application keeps them meanwhile).
    if (!sent.isEmpty() && !membership.board.active)
        m_boards.requireWritable(me, boardId);
    QList<PendingItem> pendingItems;
    for (int i = 0; i < sent.size(); ++i)
        pendingItems.append(readPending(sent.at(i), i));

    QJsonArray conflicted;
    QStringList refusedShowCopy;
    QStringList refusedGone;
    auto refuse = [&](const QString& id, const std::optional<ItemRecord>& service) {
        conflicted.append(id);
        if (!service)
            return;
        if (service->isDeleted() || service->boardId != boardId)
            refusedGone.append(id);
        else
            refusedShowCopy.append(id);
    };

    // The request's transaction holds the items' writes: a failure undoes them all.
    qint64 latestCheckpoint = membership.board.revision;
    for (const PendingItem& pending : pendingItems) {
        std::optional<ItemRecord> existing = m_items.find(pending.id);
        const bool invalid = ItemStore::contentProblem(pending.content)
            || ItemStore::statusProblem(pending.status)
            || (pending.assignee && !m_boards.isMember(boardId, *pending.assignee));
        if (!existing) {
            if (pending.deletedAt) {
                // Deleted before the service ever saw it: nothing to keep.
                refusedGone.append(pending.id);
                continue;
            }
            if (invalid) {
                refuse(pending.id, existing);
                continue;
            }
            ItemRecord item;
            item.id = pending.id;
            item.boardId = boardId;
            item.createdBy = me.id;
            item.author = me.shownName();
            item.createdAt = lenientDate(pending.createdAt).value_or(QString());
            item.content = pending.content;
            item.status = pending.status;
            item.order = pending.order;
            item.assignee = pending.assignee;
            item.archivedAt = pending.archivedAt;
            latestCheckpoint = m_items.insert(item);
            m_itemService.notifyAssignment(me, item, std::nullopt);
            continue;
        }
        if (pending.deletedAt && existing->isDeleted() && existing->boardId == boardId) {
            refusedGone.append(pending.id);
            continue;
        }
        // The service's copy wins whenever the client had not seen its latest revision.
        if (existing->boardId != boardId || existing->isDeleted() || pending.revision < existing->revision
            || (invalid && !pending.deletedAt)) {
            refuse(pending.id, existing);
            continue;
        }
        if (pending.deletedAt) {
            latestCheckpoint = m_items.tombstone(*existing);
            continue;
        }
        const std::optional<QString> previousAssignee = existing->assignee;
        existing->content = pending.content;
        existing->status = pending.status;
        existing->order = pending.order;
        existing->assignee = pending.assignee;
        existing->archivedAt = pending.archivedAt;
        latestCheckpoint = m_items.save(*existing);
        m_itemService.notifyAssignment(me, *existing, previousAssignee);
    }

    // The items' JSON comes from the database and goes into the answer as text: building and
    // writing a JSON object per item would cost more than everything else of a large first sync.
    QByteArrayList newItems;
    QByteArrayList modifiedItems;
    QJsonArray deletedItems;
    // A refused item that the changes already list is not listed again.
    QSet<QString> listedGone;
    QSet<QString> listedPresent;
    for (const ItemChange& change : m_items.changesSince(boardId, checkpoint)) {
        latestCheckpoint = std::max(latestCheckpoint, change.seq);
        if (change.kind == ChangeKind::Remove || !change.live) {
            deletedItems.append(change.itemId);
            listedGone.insert(change.itemId);
            continue;
        }
        (change.addedSeq > checkpoint ? newItems : modifiedItems).append(change.json);
        listedPresent.insert(change.itemId);
    }
    for (const QString& id : std::as_const(refusedShowCopy)) {
        if (!listedPresent.contains(id))
            modifiedItems.append(QJsonDocument(m_items.find(id)->toJson()).toJson(QJsonDocument::Compact));
    }
    for (const QString& id : std::as_const(refusedGone)) {
        if (!listedGone.contains(id))
            deletedItems.append(id);
    }

    // Its name as read with the membership.
    const QJsonObject rest {{QStringLiteral("boardName"), membership.board.name},
        {QStringLiteral("latestCheckpoint"), latestCheckpoint},
        {QStringLiteral("deletedItems"), deletedItems}, {QStringLiteral("conflictedItems"), conflicted}};
    QByteArray answer = QJsonDocument(rest).toJson(QJsonDocument::Compact);
    answer.chop(1); // the closing brace: the item lists follow
    answer
        += ",\"newItems\":[" + newItems.join(',') + "],\"modifiedItems\":[" + modifiedItems.join(',') + "]}";
    return answer;
}
