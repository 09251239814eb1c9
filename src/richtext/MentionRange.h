// One @mention in rendered item text that names a board member.
#pragma once

#include "domain/BoardUser.h"

#include <QString>

struct MentionRange
{
    qsizetype location = 0; // UTF-16 units, the whole match including the "@"
    qsizetype length = 0;
    QString handle;         // without the "@", lower-cased
    BoardUser user;

    bool contains(qsizetype position) const { return position >= location && position < location + length; }
    friend bool operator==(const MentionRange&, const MentionRange&) = default;
};
