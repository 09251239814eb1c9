#include "workspace/SyncConflicts.h"

#include "domain/WireConversions.h"

bool sameUserContent(const RemoteItem& a, const RemoteItem& b)
{
    return a.id == b.id && a.content == b.content && a.status == b.status && a.boardId == b.boardId
        && a.assignee == b.assignee && a.order == b.order && a.archivedAt.has_value() == b.archivedAt.has_value();
}

std::optional<RemoteItem> answeredCopy(const SyncResponse& response, const QUuid& itemId)
{
    std::optional<RemoteItem> found;
    for (const QList<RemoteItem>* items : {&response.newItems, &response.modifiedItems}) {
        for (const RemoteItem& item : *items) {
            if (item.id == itemId)
                found = item;
        }
    }
    return found;
}

RefusedVersions refusedVersions(const QList<RemoteItem>& sent, const SyncResponse& response)
{
    RefusedVersions versions;
    for (const RemoteItem& mine : sent) {
        if (mine.deletedAt || !response.conflictedItems.contains(mine.id))
            continue;
        if (const auto service = answeredCopy(response, mine.id)) {
            if (!sameUserContent(mine, *service))
                versions.replaced.append(itemFromRemote(mine));
        } else if (!response.deletedItems.contains(mine.id)) {
            versions.refused.append(itemFromRemote(mine));
        }
    }
    return versions;
}
