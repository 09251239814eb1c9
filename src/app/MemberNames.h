// How a board member is named in menus and avatars.
#pragma once

#include "domain/BoardUser.h"

#include <QString>

class MemberNames
{
public:
    // The display name when present and not empty, otherwise the e-mail.
    static QString name(const BoardUser& member);
    // The first letters of the first two words of the name, or "?" when there is none.
    static QString initials(const QString& name);
};
