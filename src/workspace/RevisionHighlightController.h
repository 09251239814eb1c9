// Decides from a board revision the service returned whether someone else changed the board since
// this client last pulled it, by comparing with the board's stored sync checkpoint.
#pragma once

#include <QUuid>

#include <optional>

class LocalStore;

class RevisionHighlightController
{
public:
    explicit RevisionHighlightController(LocalStore& localStore);

    // Absent: nothing new (and the checkpoint may have advanced by the user's own change);
    // true: changed by others; false: no revision to judge.
    std::optional<bool> checkRevision(std::optional<qint64> revision, const QUuid& boardId) const;

private:
    LocalStore& m_localStore;
};
