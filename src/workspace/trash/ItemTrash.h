// A board's trash: items the user deleted wait here for 30 days, then go for good. A local board's
// trash is in the store, written through at once, so it survives restarts. A cloud board's trash is
// the service's, so every member sees the same one; it is read when asked for (refresh) and kept
// here only to be shown. Restore puts an item back on its board with its column, order, text and
// archive state (on a cloud board every member gets it with the next sync); "Delete Permanently"
// and "Empty Trash" remove items at once (the views ask first).
#pragma once

#include "domain/Board.h"
#include "domain/Item.h"
#include "net/TrashRepository.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QUuid>

class BoardViewModel;
class NetworkService;
class StoreContext;
class ToastManager;

class ItemTrash : public QObject
{
    Q_OBJECT

public:
    static constexpr int keptDays = 30;

    // Drops what has waited longer than keptDays in the local trash.
    ItemTrash(BoardViewModel& workspace, StoreContext& context, NetworkService& api, ToastManager& toasts,
        QObject* parent = nullptr);

    // The board's trashed items, last deleted first (a cloud board's as last refreshed).
    QList<Item> items(const QUuid& boardId) const;
    // Reads a cloud board's trash from the service; a local board's needs no reading.
    QCoro::Task<void> refresh(QUuid boardId);
    // Keeps an item just deleted from a local board.
    void keep(Item item);
    // Takes an item out of the local trash without restoring it (it came back another way).
    void forget(const QUuid& itemId);
    QCoro::Task<void> restore(QUuid itemId, QUuid boardId);
    QCoro::Task<void> deletePermanently(QUuid itemId, QUuid boardId);
    QCoro::Task<void> empty(QUuid boardId);
    // Removes everything deleted before now minus keptDays from the local trash.
    void purgeExpired(const QDateTime& now = QDateTime::currentDateTimeUtc());

Q_SIGNALS:
    void changed();

private:
    bool isCloud(const QUuid& boardId) const;
    QCoro::Task<void> restoreLocal(Item item, Board board);
    // A refused request: the error shown, or the board dropped when access to it was revoked.
    void report(const QString& what, const ApiError& error, const QUuid& boardId);

    BoardViewModel& m_workspace;
    StoreContext& m_context;
    ToastManager& m_toasts;
    TrashRepository m_repository;
    QHash<QUuid, QList<Item>> m_cloudItems;
};
