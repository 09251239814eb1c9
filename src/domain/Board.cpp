#include "domain/Board.h"

#include <algorithm>

bool Board::isOwnedBy(const std::optional<QUuid>& userId) const
{
    if (!syncWithServer)
        return true;
    if (!userId)
        return false;
    const auto member = std::find_if(users.cbegin(), users.cend(),
        [&](const BoardUser& user) { return user.userId == *userId; });
    return member != users.cend() && member->role == BoardRole::owner();
}

QList<Item> Board::undeletedItems() const
{
    QList<Item> result;
    result.reserve(items.size());
    std::copy_if(items.cbegin(), items.cend(), std::back_inserter(result),
        [](const Item& item) { return !item.isDeleted(); });
    return result;
}

OverallBoardProgress Board::overallProgress() const
{
    if (storedTally)
        return *storedTally;
    const ColumnCounts counts = columnCounts();
    auto inColumn = [&counts](ItemStatus status) { return counts.liveIn(status) + counts.archivedIn(status); };
    OverallBoardProgress progress;
    progress.todo = inColumn(ItemStatus::todo);
    progress.inProgress = inColumn(ItemStatus::inProgress);
    progress.done = inColumn(ItemStatus::done);
    progress.total = progress.todo + progress.inProgress + progress.done;
    return progress;
}

ColumnCounts Board::columnCounts() const
{
    if (firstPageCounts)
        return *firstPageCounts;
    ColumnCounts counts;
    for (const Item& item : items) {
        if (item.isDeleted())
            continue;
        auto& column = item.isArchived() ? counts.archived : counts.live;
        ++column.at(static_cast<std::size_t>(item.status));
    }
    return counts;
}
