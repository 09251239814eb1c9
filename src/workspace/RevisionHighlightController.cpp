#include "workspace/RevisionHighlightController.h"

#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"

RevisionHighlightController::RevisionHighlightController(LocalStore& localStore)
    : m_localStore(localStore)
{
}

std::optional<bool> RevisionHighlightController::checkRevision(
    std::optional<qint64> revision, const QUuid& boardId) const
{
    if (!revision)
        return false;
    const auto key = PreferenceKeys::checkpoint(boardId);
    const std::optional<qint64> checkpoint = m_localStore.get(key);
    if (checkpoint && *checkpoint >= *revision)
        return std::nullopt;
    if (!checkpoint && *revision < 1)
        return std::nullopt;
    // The service counts every item change of a board: exactly one step past the checkpoint is the
    // user's own change, so the checkpoint can follow it without missing anything.
    if (*revision - checkpoint.value_or(0) == 1) {
        m_localStore.set(*revision, key);
        return std::nullopt;
    }
    // Leave the checkpoint where it is so the next sync still fetches the others' changes.
    return true;
}
