// A board's trash on the service: the items deleted from it in the last 30 days. A deleted item is
// a tombstone that the sync keeps reporting as deleted, so nothing here removes a row: restoring
// brings the tombstone back to life as one more change of the board (every member gets it with the
// next sync), and "delete permanently", "empty" and the 30-day purge erase the text a tombstone
// still holds, which takes it out of the trash. Clients that know nothing of the trash see the same
// items and changes as before.
#pragma once

#include "ItemStore.h"

#include <QJsonObject>
#include <QString>

class BoardService;
class Clock;
class Database;
struct Account;

class TrashService
{
public:
    static constexpr int keptDays = 30;

    TrashService(Database& db, const Clock& clock, BoardService& boards);

    // {"items": [RemoteItem with deletedAt, …]}, last deleted first.
    QJsonObject list(const Account& me, const QString& boardId);
    // Puts the item back on its board with everything it had; answers ItemResponse.
    QJsonObject restore(const Account& me, const QString& boardId, const QString& itemId);
    void deletePermanently(const Account& me, const QString& boardId, const QString& itemId);
    void empty(const Account& me, const QString& boardId);

private:
    // Erases the text of every tombstone older than keptDays.
    void purgeExpired();
    QString cutoff() const;
    ItemRecord requireTrashed(const QString& boardId, const QString& itemId) const;

    Database& m_db;
    const Clock& m_clock;
    BoardService& m_boards;
    ItemStore m_items;
};
