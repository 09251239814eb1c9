// How a mentioned member is named and pictured when there is no avatar.
#pragma once

#include "domain/BoardUser.h"

#include <QString>

class MentionIdentity
{
public:
    // The display name trimmed; the mention handle when there is no display name.
    static QString name(const BoardUser& user);
    // Up to two upper-cased first letters of the name's first two words.
    static QString initials(const QString& name);
};
