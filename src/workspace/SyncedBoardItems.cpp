#include "workspace/SyncedBoardItems.h"

#include "store/LocalItem.h"
#include "store/LocalRecordConversions.h"

#include <algorithm>
#include <limits>

void SyncedBoardItems::reserve(qsizetype count)
{
    m_items.reserve(count);
    m_shown.reserve(size_t(count));
    m_index.reserve(count);
}

void SyncedBoardItems::add(const LocalItem& record)
{
    const bool shown = !record.isDeleted() && !record.deletedAt() && record.boardId() == m_boardId;
    Item item;
    if (shown)
        item = toItem(record);
    else
        item.id = record.id();
    const auto at = m_index.constFind(item.id);
    if (at != m_index.cend()) {
        m_items[*at] = std::move(item);
        m_shown[size_t(*at)] = shown;
        return;
    }
    m_index.insert(item.id, m_items.size());
    m_items.append(std::move(item));
    m_shown.push_back(shown);
}

void SyncedBoardItems::remove(const QUuid& id)
{
    const auto at = m_index.constFind(id);
    if (at != m_index.cend()) {
        m_shown[size_t(*at)] = false;
        return;
    }
    Item gone;
    gone.id = id;
    m_index.insert(id, m_items.size());
    m_items.append(std::move(gone));
    m_shown.push_back(false);
}

Board SyncedBoardItems::mergedInto(Board board)
{
    // Sorted by numbers, then each item moved once, within memory already in use: a hundred
    // thousand items are too many to compare as dates or to copy into a fresh list in one turn.
    struct Key
    {
        qint64 updatedAt;
        qsizetype rank;
        qsizetype position;
    };
    auto millis = [](const QDateTime& date) {
        // An invalid date sorts as the oldest, as QDateTime compares it.
        return date.isValid() ? date.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
    };
    const qsizetype gathered = m_items.size();
    const qsizetype boardSize = board.items.size();
    std::vector<Key> keys;
    keys.reserve(size_t(boardSize + gathered));
    std::vector<bool> placed(size_t(gathered), false);
    for (qsizetype i = 0; i < boardSize; ++i) {
        const Item& item = std::as_const(board.items)[i];
        const auto at = m_index.constFind(item.id);
        if (at == m_index.cend()) {
            keys.push_back({millis(item.updatedAt), i, m_items.size()});
            m_items.append(item);
            m_shown.push_back(true);
            continue;
        }
        placed[size_t(*at)] = true;
        if (m_shown[size_t(*at)])
            keys.push_back({millis(std::as_const(m_items)[*at].updatedAt), i, *at});
    }
    board.items.clear();
    for (qsizetype i = 0; i < gathered; ++i) {
        if (!placed[size_t(i)] && m_shown[size_t(i)])
            keys.push_back({millis(std::as_const(m_items)[i].updatedAt), boardSize + i, i});
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.updatedAt != b.updatedAt ? a.updatedAt > b.updatedAt : a.rank < b.rank;
    });

    // from[j]: the position whose item ends at j; the items not shown fill the tail, then go.
    const qsizetype total = m_items.size();
    std::vector<qsizetype> from;
    from.reserve(size_t(total));
    std::vector<bool> kept(size_t(total), false);
    for (const Key& key : keys) {
        from.push_back(key.position);
        kept[size_t(key.position)] = true;
    }
    for (qsizetype i = 0; i < total; ++i) {
        if (!kept[size_t(i)])
            from.push_back(i);
    }
    Item* items = m_items.data();
    std::vector<bool> done(size_t(total), false);
    for (qsizetype start = 0; start < total; ++start) {
        if (done[size_t(start)] || from[size_t(start)] == start)
            continue;
        Item held = std::move(items[start]);
        qsizetype at = start;
        for (;;) {
            done[size_t(at)] = true;
            const qsizetype next = from[size_t(at)];
            if (next == start) {
                items[at] = std::move(held);
                break;
            }
            items[at] = std::move(items[next]);
            at = next;
        }
    }
    m_items.resize(qsizetype(keys.size()));
    board.items = std::move(m_items);
    m_items = {};
    m_shown.clear();
    m_index.clear();
    return board;
}
