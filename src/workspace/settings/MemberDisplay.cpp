#include "workspace/settings/MemberDisplay.h"

#include "domain/IsoDate.h"

#include <QLocale>

QString memberDisplayName(const BoardUser& user)
{
    return user.displayName && !user.displayName->trimmed().isEmpty() ? *user.displayName : user.email;
}

QString memberRoleText(const BoardUser& user)
{
    return user.role == BoardRole::owner() ? QStringLiteral("Owner") : QStringLiteral("Member");
}

QString memberAddedText(const BoardUser& user)
{
    const std::optional<QDateTime> granted = parseIsoDate(user.grantedAt);
    const QString date = granted ? QLocale().toString(granted->toLocalTime().date(), QLocale::ShortFormat)
                                 : user.grantedAt;
    return QStringLiteral("Added ") + date;
}

std::optional<BoardUser> boardOwnerOf(const Board& board)
{
    if (board.boardOwner)
        return board.boardOwner;
    for (const BoardUser& user : board.users) {
        if (user.role == BoardRole::owner())
            return user;
    }
    return std::nullopt;
}
