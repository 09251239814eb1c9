#include "store/SavedBoardItems.h"

#include "store/LocalRecordConversions.h"
#include "store/NewestFirst.h"
#include "store/SqliteDatabase.h"
#include "store/StoreRows.h"

std::expected<QList<Item>, StoreError> readSavedBoardItems(const QString& fileName, const QUuid& boardId)
{
    auto db = SqliteDatabase::openForReading(fileName);
    if (!db)
        return std::unexpected(db.error());
    auto select = db->prepare(QStringLiteral("SELECT %1 FROM local_item WHERE boardId = ?1 AND deletedAt IS NULL")
                                  .arg(QLatin1String(StoreRows::itemColumns)));
    if (!select)
        return std::unexpected(select.error());
    select->bindUuid(1, boardId);
    QList<Item> items;
    const auto rows = select->forEachRow(
        QStringLiteral("Could not read a board's items"), [&] { items.append(toItem(StoreRows::readItem(*select))); });
    if (!rows)
        return std::unexpected(rows.error());
    sortNewestFirst(items, [](const Item& item) -> const QDateTime& { return item.updatedAt; });
    return items;
}
