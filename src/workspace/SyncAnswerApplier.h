// Writes a sync answer's new, deleted and modified items to the store a bounded number at a time,
// so the caller can let the event loop run between two transactions. Each step looks every id up
// once and saves once. An item changed here since the request was sent keeps its newer change: the
// answer neither overwrites nor deletes it.
#pragma once

#include "domain/Item.h"
#include "domain/RemoteItem.h"
#include "domain/WireRecords.h"
#include "store/LocalDataService.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

#include <functional>
#include <memory>

class LocalItem;
class StoreContext;

class SyncAnswerApplier
{
public:
    // `sent` is what the request carried; `changedMeanwhile` the items changed here while it ran.
    // `keepCopy` receives the pending change of an item the service deleted, before it goes.
    SyncAnswerApplier(QUuid boardId, SyncResponse response, QHash<QUuid, RemoteItem> sent,
        QSet<QUuid> changedMeanwhile, std::function<void(const Item&)> keepCopy);

    qsizetype total() const { return m_total; }
    qsizetype done() const { return m_next; }
    bool isFinished() const { return m_next >= m_total; }

    // Applies up to `count` more entries (new items, then deletions, then modified items: an item
    // both new and deleted ends deleted, one both deleted and modified ends present) and saves them.
    // Items in `changedSince` were changed by someone else after the answer arrived and are left
    // alone (one whose sent version the service took only gets its revision). On a failed save the
    // position stays, and the context keeps the changes pending.
    LocalDataService::Result applyNext(qsizetype count, StoreContext& context, const QSet<QUuid>& changedSince);

    // The records the last applyNext wrote (saved or, when its save failed, still pending), in order;
    // one written twice in that step is listed twice.
    const QList<std::shared_ptr<LocalItem>>& writtenInLastStep() const { return m_lastStep; }

private:
    void applyItem(const RemoteItem& remote, std::shared_ptr<LocalItem> record, bool changedSince,
        StoreContext& context, QHash<QUuid, std::shared_ptr<LocalItem>>& stored);
    void deleteItem(const QUuid& id, StoreContext& context, QHash<QUuid, std::shared_ptr<LocalItem>>& stored);
    QUuid idAt(qsizetype position) const;

    QUuid m_boardId;
    // Const: its lists share their data with the caller's answer, and any non-const access would
    // copy a whole list (45 MB at 100,000 items) in the middle of a step.
    const SyncResponse m_response;
    QHash<QUuid, RemoteItem> m_sent;
    QSet<QUuid> m_changedMeanwhile;
    std::function<void(const Item&)> m_keepCopy;
    qsizetype m_total = 0;
    qsizetype m_next = 0;
    void noteWritten(const std::shared_ptr<LocalItem>& record);

    QList<std::shared_ptr<LocalItem>> m_lastStep;
};
