#include "workspace/trash/ItemTrash.h"

#include "domain/Log.h"
#include "store/LocalDataService.h"
#include "store/TrashStore.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

#include <QPointer>

ItemTrash::ItemTrash(
    BoardViewModel& workspace, StoreContext& context, NetworkService& api, ToastManager& toasts, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_context(context)
    , m_toasts(toasts)
    , m_repository(&api)
{
    purgeExpired();
}

bool ItemTrash::isCloud(const QUuid& boardId) const
{
    const std::optional<Board> board = m_workspace.knownBoard(boardId);
    return board && board->syncWithServer;
}

QList<Item> ItemTrash::items(const QUuid& boardId) const
{
    if (isCloud(boardId))
        return m_cloudItems.value(boardId);
    auto items = TrashStore::fetchForBoard(boardId, m_context);
    if (!items) {
        logLine(QStringLiteral("Reading the trash failed: ") + items.error().message);
        return {};
    }
    return *items;
}

QCoro::Task<void> ItemTrash::refresh(QUuid boardId)
{
    if (!isCloud(boardId))
        co_return;
    QPointer<ItemTrash> self(this);
    const auto fetched = co_await m_repository.fetchTrash(boardId);
    if (!self)
        co_return;
    if (!fetched) {
        // Shown as it was; the trash is read again the next time the board is shown.
        logLine(QStringLiteral("Reading the trash failed: ") + fetched.error().description());
        co_return;
    }
    m_cloudItems.insert(boardId, *fetched);
    Q_EMIT changed();
}

void ItemTrash::report(const QString& what, const ApiError& error, const QUuid& boardId)
{
    if (!m_workspace.handleRevokedBoard(error, boardId))
        m_toasts.showError(what + error.description());
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
        m_toasts.showError(QStringLiteral("Couldn't restore the item: it is no longer in the trash"));
        co_return;
    }
    if (!board->syncWithServer) {
        co_await restoreLocal(*trashed, *board);
        co_return;
    }
    QPointer<ItemTrash> self(this);
    const auto restored = co_await m_repository.restore(boardId, itemId);
    if (!self)
        co_return;
    if (!restored) {
        report(QStringLiteral("Couldn't restore the item. "), restored.error(), boardId);
        co_await refresh(boardId);
        co_return;
    }
    // It comes back here the way it reaches every other member: with the board's sync.
    if (const std::optional<Board> current = m_workspace.knownBoard(boardId))
        co_await m_workspace.syncBoard(*current, false);
    if (!self)
        co_return;
    m_workspace.markItemUpdated(itemId);
    m_toasts.showSuccess(QStringLiteral("Item restored"));
    co_await refresh(boardId);
}

QCoro::Task<void> ItemTrash::restoreLocal(Item item, Board board)
{
    QPointer<ItemTrash> self(this);
    const QUuid itemId = item.id;
    item.deletedAt.reset();
    item.didSync = false;
    item.updatedAt = QDateTime::currentDateTimeUtc();
    co_await m_workspace.addItem(item, board);
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

QCoro::Task<void> ItemTrash::deletePermanently(QUuid itemId, QUuid boardId)
{
    if (isCloud(boardId)) {
        QPointer<ItemTrash> self(this);
        const auto removed = co_await m_repository.deletePermanently(boardId, itemId);
        if (!self)
            co_return;
        if (!removed)
            report(QStringLiteral("Couldn't delete the item permanently. "), removed.error(), boardId);
        else
            m_toasts.showSuccess(QStringLiteral("Item deleted permanently"));
        co_await refresh(boardId);
        co_return;
    }
    if (const auto removed = TrashStore::remove(itemId, m_context); !removed) {
        m_toasts.showError(removed.error().message);
        co_return;
    }
    m_toasts.showSuccess(QStringLiteral("Item deleted permanently"));
    Q_EMIT changed();
}

QCoro::Task<void> ItemTrash::empty(QUuid boardId)
{
    if (isCloud(boardId)) {
        QPointer<ItemTrash> self(this);
        const auto emptied = co_await m_repository.empty(boardId);
        if (!self)
            co_return;
        if (!emptied)
            report(QStringLiteral("Couldn't empty the trash. "), emptied.error(), boardId);
        else
            m_toasts.showSuccess(QStringLiteral("Trash emptied"));
        co_await refresh(boardId);
        co_return;
    }
    if (const auto removed = TrashStore::removeBoard(boardId, m_context); !removed) {
        m_toasts.showError(removed.error().message);
        co_return;
    }
    m_toasts.showSuccess(QStringLiteral("Trash emptied"));
    Q_EMIT changed();
}

void ItemTrash::purgeExpired(const QDateTime& now)
{
    if (const auto purged = TrashStore::removeDeletedBefore(now.addDays(-keptDays), m_context); !purged)
        logLine(purged.error().message);
}
