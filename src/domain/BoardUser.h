// One member of a board, as the service reports it.
#pragma once

#include "domain/BoardRole.h"

#include <QString>
#include <QUuid>

#include <optional>

struct BoardUser
{
    QUuid userId;
    QString email;
    QString grantedAt; // the service's text, kept as received
    BoardRole role = BoardRole::editor();
    QUuid boardId;
    std::optional<QString> displayName;
    std::optional<QString> avatarUrl;

    // The handle by which the member is @mentioned: the e-mail's local part.
    QString mentionHandle() const;

    friend bool operator==(const BoardUser&, const BoardUser&) = default;
};
