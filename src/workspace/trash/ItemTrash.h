// The trash of local boards: items the user deleted wait here for 30 days, then go for good.
// Restore puts an item back on its board with its column, order, text and archive state; "Delete
// Permanently" and "Empty Trash" remove it at once (the views ask first). Written through to the
// store at once, so the trash survives restarts.
#pragma once

#include "domain/Item.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QUuid>

class BoardViewModel;
class StoreContext;
class ToastManager;

class ItemTrash : public QObject
{
    Q_OBJECT

public:
    static constexpr int keptDays = 30;

    // Drops what has waited longer than keptDays.
    ItemTrash(BoardViewModel& workspace, StoreContext& context, ToastManager& toasts, QObject* parent = nullptr);

    // The board's trashed items, last deleted first.
    QList<Item> items(const QUuid& boardId) const;
    // Keeps a deleted item, deleted now.
    void keep(Item item);
    // Takes an item out of the trash without restoring it (it came back another way).
    void forget(const QUuid& itemId);
    QCoro::Task<void> restore(QUuid itemId, QUuid boardId);
    void deletePermanently(const QUuid& itemId);
    void empty(const QUuid& boardId);
    // Removes everything deleted before now minus keptDays.
    void purgeExpired(const QDateTime& now = QDateTime::currentDateTimeUtc());

Q_SIGNALS:
    void changed();

private:
    BoardViewModel& m_workspace;
    StoreContext& m_context;
    ToastManager& m_toasts;
};
