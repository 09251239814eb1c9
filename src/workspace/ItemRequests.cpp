#include "workspace/ItemRequests.h"

#include "domain/IsoDate.h"

UpsertItemRequest upsertItemRequest(const Item& item)
{
    UpsertItemRequest request;
    request.content = item.content;
    request.status = itemStatusText(item.status);
    request.order = item.order;
    request.createdAt = isoDateText(item.createdAt);
    request.boardId = item.boardId;
    request.assignee = item.assignee;
    return request;
}

UpdateItemRequest updateItemRequest(const Item& before, const Item& after)
{
    UpdateItemRequest request;
    // An item with an unsent change carries more than this edit: send its whole state, or the
    // earlier change would be marked synced without ever reaching the service.
    if (!before.didSync) {
        request.content = after.content;
        request.status = itemStatusText(after.status);
        request.order = after.order;
        request.boardId = after.boardId;
        request.assignee
            = after.assignee ? FieldUpdate<QUuid>::set(*after.assignee) : FieldUpdate<QUuid>::cleared();
        request.archivedAt = after.archivedAt ? FieldUpdate<QString>::set(isoDateText(*after.archivedAt))
                                              : FieldUpdate<QString>::cleared();
        request.revision = after.revision;
        return request;
    }
    if (after.content != before.content)
        request.content = after.content;
    if (after.status != before.status)
        request.status = itemStatusText(after.status);
    if (after.order != before.order)
        request.order = after.order;
    if (after.boardId != before.boardId)
        request.boardId = after.boardId;
    if (after.assignee != before.assignee) {
        request.assignee
            = after.assignee ? FieldUpdate<QUuid>::set(*after.assignee) : FieldUpdate<QUuid>::cleared();
    }
    // Compared as wire text: a change below a second is no change to the service.
    const auto archiveText = [](const Item& item) {
        return item.archivedAt ? std::optional(isoDateText(*item.archivedAt)) : std::nullopt;
    };
    if (archiveText(after) != archiveText(before)) {
        request.archivedAt = after.archivedAt ? FieldUpdate<QString>::set(*archiveText(after))
                                              : FieldUpdate<QString>::cleared();
    }
    request.revision = after.revision;
    return request;
}

bool changesSomething(const UpdateItemRequest& request)
{
    return request.content || request.status || request.order || request.boardId
        || !request.assignee.isUnchanged() || !request.archivedAt.isUnchanged();
}
