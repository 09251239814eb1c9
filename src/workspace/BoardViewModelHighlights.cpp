// Revision highlights: which cloud boards changed on the service since this client last pulled
// them. The set persists as a whole, so highlights survive restarts.
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"
#include "workspace/BoardViewModel.h"

void BoardViewModel::updateShouldHighlightRefresh()
{
    setShouldHighlightRefresh(m_highlightedBoards.contains(m_selectedBoard.id));
}

void BoardViewModel::clearBoardHighlight(const QUuid& boardId)
{
    if (m_highlightedBoards.contains(boardId)) {
        QSet<QUuid> ids = m_highlightedBoards;
        ids.remove(boardId);
        setHighlightedBoards(ids);
        m_localStore.set(m_highlightedBoards, PreferenceKeys::highlightedBoards());
    }
    if (boardId == m_selectedBoard.id)
        updateShouldHighlightRefresh();
}

void BoardViewModel::setBoardHighlight(const QUuid& boardId)
{
    if (m_highlightedBoards.contains(boardId))
        return;
    QSet<QUuid> ids = m_highlightedBoards;
    ids.insert(boardId);
    setHighlightedBoards(ids);
    m_localStore.set(m_highlightedBoards, PreferenceKeys::highlightedBoards());
}

void BoardViewModel::evaluateSelectedBoardRevision(std::optional<qint64> revision)
{
    const QUuid selectedId = m_selectedBoard.id;
    if (!m_selectedBoard.syncWithServer) {
        clearBoardHighlight(selectedId);
        return;
    }
    const std::optional<bool> changedByOthers
        = m_revisionHighlightController.checkRevision(revision, selectedId);
    if (!changedByOthers) {
        clearBoardHighlight(selectedId);
    } else if (*changedByOthers) {
        setBoardHighlight(selectedId);
        updateShouldHighlightRefresh();
    } else {
        updateShouldHighlightRefresh();
    }
}
