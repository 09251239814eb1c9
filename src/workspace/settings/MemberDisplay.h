// How the settings window names a member and tells its role and grant date.
#pragma once

#include "domain/Board.h"
#include "domain/BoardUser.h"

#include <QString>

#include <optional>

// The display name when it is present and not empty, otherwise the e-mail.
QString memberDisplayName(const BoardUser& user);
// "Owner" for the owner role, "Member" for any other.
QString memberRoleText(const BoardUser& user);
// "Added " and the grant date in the user's locale; the service's text as it came when it is no date.
QString memberAddedText(const BoardUser& user);
// The board's owner: its boardOwner, or else the member with the owner role.
std::optional<BoardUser> boardOwnerOf(const Board& board);
