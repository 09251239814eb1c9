#include "workspace/SyncAnswerApplier.h"

#include "store/LocalItem.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"
#include "workspace/SyncConflicts.h"

#include <algorithm>

SyncAnswerApplier::SyncAnswerApplier(QUuid boardId, SyncResponse response, QHash<QUuid, RemoteItem> sent,
    QSet<QUuid> changedMeanwhile, std::function<void(const Item&)> keepCopy)
    : m_boardId(boardId)
    , m_response(std::move(response))
    , m_sent(std::move(sent))
    , m_changedMeanwhile(std::move(changedMeanwhile))
    , m_keepCopy(std::move(keepCopy))
    , m_total(m_response.newItems.size() + m_response.deletedItems.size() + m_response.modifiedItems.size())
{
}

QUuid SyncAnswerApplier::idAt(qsizetype position) const
{
    const qsizetype added = m_response.newItems.size();
    const qsizetype deleted = m_response.deletedItems.size();
    if (position < added)
        return m_response.newItems[position].id;
    if (position < added + deleted)
        return m_response.deletedItems[position - added];
    return m_response.modifiedItems[position - added - deleted].id;
}

LocalDataService::Result SyncAnswerApplier::applyNext(
    qsizetype count, StoreContext& context, const QSet<QUuid>& changedSince)
{
    const qsizetype end = std::min(m_total, m_next + std::max<qsizetype>(count, 1));
    // The step's save may leave its commit to a later step and skip the disk sync (the checkpoint's
    // save commits and syncs them all), unless it would carry someone else's unsaved change with it.
    const auto durability
        = context.hasChanges() ? StoreContext::Durability::synced : StoreContext::Durability::deferred;
    m_lastStep.clear();
    QList<QUuid> ids;
    ids.reserve(end - m_next);
    for (qsizetype position = m_next; position < end; ++position)
        ids.append(idAt(position));
    // The only lookup of these ids; entries of this step that share an id see each other's result.
    auto stored = context.fetchItemsWithIds(ids);
    if (!stored)
        return std::unexpected(stored.error());

    const qsizetype added = m_response.newItems.size();
    const qsizetype deleted = m_response.deletedItems.size();
    for (qsizetype position = m_next; position < end; ++position) {
        const QUuid& id = ids[position - m_next];
        const bool changedHere = changedSince.contains(id);
        if (position < added)
            applyItem(m_response.newItems[position], stored->value(id), changedHere, context, *stored);
        else if (position < added + deleted && !changedHere)
            deleteItem(id, context, *stored);
        else if (position >= added + deleted)
            applyItem(m_response.modifiedItems[position - added - deleted], stored->value(id), changedHere,
                context, *stored);
    }
    if (auto saved = context.save(durability); !saved)
        return saved;
    m_next = end;
    return {};
}

void SyncAnswerApplier::applyItem(const RemoteItem& remote, std::shared_ptr<LocalItem> record, bool changedSince,
    StoreContext& context, QHash<QUuid, std::shared_ptr<LocalItem>>& stored)
{
    // Changed here since the request was sent: the newer change stays. When the answer's copy is
    // what was sent, the item takes the service's revision, so that its next send is not refused as
    // stale.
    if (changedSince || m_changedMeanwhile.contains(remote.id)) {
        const auto mine = m_sent.constFind(remote.id);
        if (record && mine != m_sent.cend() && sameUserContent(*mine, remote))
            record->setRevision(std::max(record->revision(), remote.revision));
        return;
    }
    // Revisions of two boards do not compare: the service's placement wins unless the move here is
    // still unsent.
    if (record && record->boardId() != m_boardId && !record->didSync())
        return;
    // The service acknowledged a newer change of the item (an edit answered while this answer was
    // on its way): the answer's older copy must not take its place.
    if (record && record->boardId() == m_boardId && record->revision() > remote.revision)
        return;
    record = LocalDataService::applyRemoteItem(remote, record, context);
    // A pending deletion the service refused comes back as its live copy; the service's copy wins,
    // so the local deletion mark goes (writing the copy alone keeps it).
    if (!remote.deletedAt && record->deletedAt())
        record->setDeletedAt(std::nullopt);
    stored.insert(remote.id, record);
    noteWritten(record);
}

// The service lists an item that moved to another board as deleted here. Here it may already live on
// that other board, whose checkpoint has passed the move: deleting it would lose it for good.
void SyncAnswerApplier::deleteItem(
    const QUuid& id, StoreContext& context, QHash<QUuid, std::shared_ptr<LocalItem>>& stored)
{
    const auto record = stored.value(id);
    if (!record || record->boardId() != m_boardId)
        return;
    if (!record->didSync() && !record->deletedAt())
        m_keepCopy(toItem(*record));
    context.remove(record);
    stored.remove(id);
    noteWritten(record);
}

void SyncAnswerApplier::noteWritten(const std::shared_ptr<LocalItem>& record)
{
    m_lastStep.append(record);
}
