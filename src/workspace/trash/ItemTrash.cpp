#include "workspace/trash/ItemTrash.h"

#include "domain/Log.h"
#include "store/LocalDataService.h"
#include "store/TrashStore.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

#include <QPointer>

ItemTrash::ItemTrash(BoardViewModel& workspace, StoreContext& context, ToastManager& toasts, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_context(context)
    , m_toasts(toasts)
{
    purgeExpired();
}

QList<Item> ItemTrash::items(const QUuid& boardId) const
{
    auto items = TrashStore::fetchForBoard(boardId, m_context);
    if (!items) {
        logLine(QStringLiteral("Reading the trash failed: ") + items.error().message);
        return {};
    }
    return *items;
}

void ItemTrash::keep(Item item)
{
    item.deletedAt = QDateTime::currentDateTimeUtc();
    if (const auto kept = TrashStore::insert(item, m_context); !kept) {
        // The item is already gone from its board: say so rather than lose it quietly.
        m_toasts.showError(QStringLiteral("Couldn't keep the item in the trash. ") + kept.error().message);
        return;
    }
    purgeExpired();
    Q_EMIT changed();
}

void ItemTrash::forget(const QUuid& itemId)
{
    if (const auto removed = TrashStore::remove(itemId, m_context); !removed)
        logLine(removed.error().message);
    Q_EMIT changed();
}

QCoro::Task<void> ItemTrash::restore(QUuid itemId, QUuid boardId)
{
    std::optional<Item> trashed;
    for (const Item& item : items(boardId)) {
        if (item.id == itemId)
            trashed = item;
    }
    const std::optional<Board> board = m_workspace.knownBoard(boardId);
    if (!trashed || !board) {
        m_toasts.showError(QStringLiteral("Couldn't restore the item: its board is no longer here"));
        co_return;
    }
    QPointer<ItemTrash> self(this);
    Item restored = *trashed;
    restored.deletedAt.reset();
    restored.didSync = false;
    restored.updatedAt = QDateTime::currentDateTimeUtc();
    co_await m_workspace.addItem(restored, *board);
    if (!self)
        co_return;
    const auto back = LocalDataService::fetchLocalItem(itemId, m_context);
    if (!back || back->deletedAt()) {
        m_toasts.showError(QStringLiteral("Couldn't restore the item"));
        co_return;
    }
    forget(itemId);
    m_workspace.markItemUpdated(itemId);
    m_toasts.showSuccess(QStringLiteral("Item restored"));
}

void ItemTrash::deletePermanently(const QUuid& itemId)
{
    if (const auto removed = TrashStore::remove(itemId, m_context); !removed) {
        m_toasts.showError(removed.error().message);
        return;
    }
    m_toasts.showSuccess(QStringLiteral("Item deleted permanently"));
    Q_EMIT changed();
}

void ItemTrash::empty(const QUuid& boardId)
{
    if (const auto removed = TrashStore::removeBoard(boardId, m_context); !removed) {
        m_toasts.showError(removed.error().message);
        return;
    }
    m_toasts.showSuccess(QStringLiteral("Trash emptied"));
    Q_EMIT changed();
}

void ItemTrash::purgeExpired(const QDateTime& now)
{
    if (const auto purged = TrashStore::removeDeletedBefore(now.addDays(-keptDays), m_context); !purged)
        logLine(purged.error().message);
}
