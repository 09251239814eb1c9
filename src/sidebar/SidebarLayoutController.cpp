#include "sidebar/SidebarLayoutController.h"

#include "sidebar/SidebarLayout.h"
#include "sidebar/SidebarSections.h"

namespace {

// What a row shows: boards equal by id alone would hide a rename from the views.
bool sameBoardRow(const Board& a, const Board& b)
{
    return a.id == b.id && a.name == b.name && a.syncWithServer == b.syncWithServer
        && a.isActive == b.isActive && a.revision == b.revision && a.updatedAt == b.updatedAt;
}

bool sameRows(const QList<SidebarEntry>& a, const QList<SidebarEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype index = 0; index < a.size(); ++index) {
        if (!(a.at(index) == b.at(index)))
            return false;
        if (a.at(index).isBoard() && !sameBoardRow(*a.at(index).board(), *b.at(index).board()))
            return false;
    }
    return true;
}

bool sameBoards(const QList<Board>& a, const QList<Board>& b)
{
    return a.size() == b.size() && std::equal(a.cbegin(), a.cend(), b.cbegin(), sameBoardRow);
}

}

SidebarLayoutController::SidebarLayoutController(LocalStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
    for (const QString& scope : scopes()) {
        m_entries.insert(scope, {});
        m_archived.insert(scope, {});
    }
}

QStringList SidebarLayoutController::scopes()
{
    return {localSidebarScope(), remoteSidebarScope()};
}

void SidebarLayoutController::setBoards(const QList<Board>& boards)
{
    const SidebarBoardSplit split = splitSidebarBoards(boards);
    replaceEntries(localSidebarScope(), loadSidebarEntries(m_store, split.local, localSidebarScope(), true));
    replaceEntries(
        remoteSidebarScope(), loadSidebarEntries(m_store, split.remote, remoteSidebarScope(), true));

    const bool archivedChanged = !sameBoards(m_archived.value(localSidebarScope()), split.archivedLocal)
        || !sameBoards(m_archived.value(remoteSidebarScope()), split.archivedRemote);
    m_archived.insert(localSidebarScope(), split.archivedLocal);
    m_archived.insert(remoteSidebarScope(), split.archivedRemote);
    if (archivedChanged)
        Q_EMIT archivedBoardsChanged();
}

QList<SidebarEntry> SidebarLayoutController::entries(const QString& scope) const
{
    return m_entries.value(scope);
}

QList<Board> SidebarLayoutController::archivedBoards(const QString& scope) const
{
    return m_archived.value(scope);
}

bool SidebarLayoutController::insertDivider(const QString& scope, qsizetype index, bool below)
{
    if (!m_entries.contains(scope))
        return false;
    QList<SidebarEntry> changed = m_entries.value(scope);
    if (!insertSidebarDivider(m_store, changed, index, below, scope))
        return false;
    replaceEntries(scope, std::move(changed));
    return true;
}

bool SidebarLayoutController::recolorDivider(const QString& scope, qsizetype index, SidebarDividerColor color)
{
    if (!m_entries.contains(scope))
        return false;
    QList<SidebarEntry> changed = m_entries.value(scope);
    if (!recolorSidebarDivider(m_store, changed, index, color, scope))
        return false;
    replaceEntries(scope, std::move(changed));
    return true;
}

bool SidebarLayoutController::removeEntry(const QString& scope, qsizetype index)
{
    if (!m_entries.contains(scope))
        return false;
    QList<SidebarEntry> changed = m_entries.value(scope);
    if (!removeSidebarEntry(m_store, changed, index, scope))
        return false;
    replaceEntries(scope, std::move(changed));
    return true;
}

std::expected<void, BoardDropRefusal> SidebarLayoutController::moveBoard(
    const QString& scope, const QList<BoardTransfer>& payloads, const QUuid& targetBoardId)
{
    QList<SidebarEntry> changed = m_entries.value(scope);
    const std::expected<void, BoardDropRefusal> outcome
        = moveSidebarBoard(m_store, changed, payloads, targetBoardId, scope);
    if (outcome)
        replaceEntries(scope, std::move(changed));
    return outcome;
}

void SidebarLayoutController::replaceEntries(const QString& scope, QList<SidebarEntry> entries)
{
    if (sameRows(m_entries.value(scope), entries))
        return;
    m_entries.insert(scope, std::move(entries));
    Q_EMIT entriesChanged(scope);
}
