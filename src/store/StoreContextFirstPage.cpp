// A large board's first page: each column's first items through the local_item_column index, and the
// board's counts from its tally and its archived items, so the cost grows with neither its length.
#include "store/StoreContext.h"
#include "store/StoreRows.h"

#include <algorithm>

namespace {
constexpr int liveSection = 0;
constexpr int archivedSection = 1;
}

std::expected<StoreContext::FirstPage, StoreError> StoreContext::fetchFirstPage(const QUuid& boardId, int perColumn)
{
    if (hasChanges())
        return std::unexpected(StoreError {QStringLiteral("The first page is read from saved items only")});

    FirstPage page;
    // Undeleted items per status come from the tally the triggers keep; only the archived ones are
    // counted, through the index, so the count grows with the archived items, not the board.
    auto tallying = statement(QStringLiteral("SELECT status, count FROM item_tally WHERE boardId = ?1"));
    if (!tallying)
        return std::unexpected(tallying.error());
    SqliteStatement& tally = **tallying;
    tally.bindUuid(1, boardId);
    const auto tallied = tally.forEachRow(QStringLiteral("Could not count a board's items"), [&] {
        if (const auto status = itemStatusFromText(tally.text(0)))
            page.counts.live.at(static_cast<std::size_t>(*status)) = tally.integer(1);
    });
    if (!tallied)
        return std::unexpected(tallied.error());
    // The condition repeats the index's expression word for word, or SQLite would not use it.
    auto counting = statement(QStringLiteral("SELECT COUNT(*) FROM local_item WHERE boardId = ?1 AND status = ?2 "
                                             "AND (archivedAt IS NOT NULL) = 1 AND deletedAt IS NULL"));
    if (!counting)
        return std::unexpected(counting.error());
    SqliteStatement& count = **counting;
    for (const ItemStatus status : allItemStatuses) {
        count.bindUuid(1, boardId);
        count.bindText(2, itemStatusText(status));
        if (count.step() != SqliteStatement::Step::row) {
            StoreError error = m_db.error(QStringLiteral("Could not count a board's archived items"));
            count.reset();
            return std::unexpected(error);
        }
        const auto column = static_cast<std::size_t>(status);
        page.counts.archived.at(column) = count.integer(0);
        page.counts.live.at(column) = std::max<qint64>(page.counts.live.at(column) - page.counts.archived.at(column), 0);
        count.reset();
    }

    auto selecting = statement(QStringLiteral("SELECT %1 FROM local_item WHERE boardId = ?1 AND status = ?2 "
                                              "AND (archivedAt IS NOT NULL) = ?3 AND deletedAt IS NULL "
                                              "ORDER BY \"order\", updatedAt DESC LIMIT ?4")
                                   .arg(QLatin1String(StoreRows::itemColumns)));
    if (!selecting)
        return std::unexpected(selecting.error());
    SqliteStatement& select = **selecting;
    for (const ItemStatus status : allItemStatuses) {
        for (const int section : {liveSection, archivedSection}) {
            select.bindUuid(1, boardId);
            select.bindText(2, itemStatusText(status));
            select.bindInt(3, section);
            select.bindInt(4, perColumn);
            const auto rows = select.forEachRow(QStringLiteral("Could not fetch a board's first items"), [&] {
                page.items.append(registeredItem(StoreRows::readItem(select)));
            });
            if (!rows)
                return std::unexpected(rows.error());
        }
    }
    return page;
}
