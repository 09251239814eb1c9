// Sorts items newest first by their update time, as the store hands a board's items out.
#pragma once

#include <QDateTime>
#include <QList>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

// Sorts by each item's time read once as a number: comparing the dates themselves costs a call
// into Qt per comparison, and a large board's sort makes hundreds of thousands. An item without a
// time sorts last, as a date that is not valid compares below every valid one. Stable.
template<typename T, typename TimeOf>
void sortNewestFirst(QList<T>& items, TimeOf timeOf)
{
    std::vector<std::pair<qint64, qsizetype>> keys;
    keys.reserve(size_t(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QDateTime& time = timeOf(std::as_const(items)[i]);
        keys.emplace_back(time.isValid() ? time.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(), i);
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QList<T> sorted;
    sorted.reserve(items.size());
    for (const auto& key : keys)
        sorted.append(std::move(items[key.second]));
    items = std::move(sorted);
}
