#include "workspace/ConflictCopies.h"

#include "domain/Log.h"
#include "store/ConflictCopyStore.h"

ConflictCopies::ConflictCopies(StoreContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
}

void ConflictCopies::load()
{
    auto stored = ConflictCopyStore::fetchAll(m_context);
    if (!stored) {
        logLine(stored.error().message);
        return;
    }
    m_copies = std::move(*stored);
    Q_EMIT changed();
}

QList<ConflictCopy> ConflictCopies::forBoard(const QUuid& boardId) const
{
    QList<ConflictCopy> found;
    for (const ConflictCopy& copy : m_copies) {
        if (copy.boardId == boardId)
            found.append(copy);
    }
    return found;
}

QList<ConflictCopy> ConflictCopies::orphans(const QSet<QUuid>& knownBoards) const
{
    QList<ConflictCopy> found;
    for (const ConflictCopy& copy : m_copies) {
        if (!knownBoards.contains(copy.boardId))
            found.append(copy);
    }
    return found;
}

bool ConflictCopies::hasCopyOf(const QUuid& itemId) const
{
    return std::any_of(
        m_copies.cbegin(), m_copies.cend(), [&](const ConflictCopy& copy) { return copy.itemId == itemId; });
}

std::optional<ConflictCopy> ConflictCopies::find(const QUuid& copyId) const
{
    for (const ConflictCopy& copy : m_copies) {
        if (copy.id == copyId)
            return copy;
    }
    return std::nullopt;
}

void ConflictCopies::keep(const ConflictCopy& copy)
{
    const bool known = std::any_of(m_copies.cbegin(), m_copies.cend(),
        [&](const ConflictCopy& kept) { return kept.itemId == copy.itemId && kept.content == copy.content; });
    if (known)
        return;
    if (auto stored = ConflictCopyStore::insert(copy, m_context); !stored)
        logLine(stored.error().message);
    m_copies.append(copy);
    Q_EMIT changed();
}

void ConflictCopies::discard(const QUuid& copyId)
{
    discardAll({copyId});
}

void ConflictCopies::discardAll(const QList<QUuid>& copyIds)
{
    if (copyIds.isEmpty())
        return;
    if (auto removed = ConflictCopyStore::removeAll(copyIds, m_context); !removed)
        logLine(removed.error().message);
    const qsizetype before = m_copies.size();
    m_copies.removeIf([&](const ConflictCopy& copy) { return copyIds.contains(copy.id); });
    if (m_copies.size() != before)
        Q_EMIT changed();
}
