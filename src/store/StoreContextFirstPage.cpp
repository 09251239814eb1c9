// A large board's first page: each column's first items and the board's counts, both read through
// the local_item_column index, so the cost does not grow with the board.
#include "store/StoreContext.h"
#include "store/StoreRows.h"

namespace {
constexpr int liveSection = 0;
constexpr int archivedSection = 1;
}

std::expected<StoreContext::FirstPage, StoreError> StoreContext::fetchFirstPage(const QUuid& boardId, int perColumn)
{
    if (hasChanges())
        return std::unexpected(StoreError {QStringLiteral("The first page is read from saved items only")});

    FirstPage page;
    // The grouping and the conditions repeat the index's expressions word for word, or SQLite
    // would not use it.
    auto counting = statement(QStringLiteral(
        "SELECT status, archivedAt IS NOT NULL, COUNT(*) FROM local_item WHERE boardId = ?1 AND deletedAt IS NULL "
        "GROUP BY status, archivedAt IS NOT NULL"));
    if (!counting)
        return std::unexpected(counting.error());
    SqliteStatement& count = **counting;
    count.bindUuid(1, boardId);
    for (;;) {
        const SqliteStatement::Step step = count.step();
        if (step == SqliteStatement::Step::failed) {
            StoreError error = m_db.error(QStringLiteral("Could not count a board's items"));
            count.reset();
            return std::unexpected(error);
        }
        if (step == SqliteStatement::Step::done)
            break;
        if (const auto status = itemStatusFromText(count.text(0))) {
            auto& section = count.integer(1) == archivedSection ? page.counts.archived : page.counts.live;
            section.at(static_cast<std::size_t>(*status)) = count.integer(2);
        }
    }
    count.reset();

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
            for (;;) {
                const SqliteStatement::Step step = select.step();
                if (step == SqliteStatement::Step::failed) {
                    StoreError error = m_db.error(QStringLiteral("Could not fetch a board's first items"));
                    select.reset();
                    return std::unexpected(error);
                }
                if (step == SqliteStatement::Step::done)
                    break;
                page.items.append(registeredItem(StoreRows::readItem(select)));
            }
            select.reset();
        }
    }
    return page;
}
