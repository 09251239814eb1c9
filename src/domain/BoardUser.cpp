#include "domain/BoardUser.h"

QString BoardUser::mentionHandle() const
{
    // Split at most once at "@", dropping empty pieces: "@x.com" gives "x.com", "" gives "".
    const qsizetype at = email.indexOf(QLatin1Char('@'));
    if (at < 0)
        return email;
    const QString local = email.left(at);
    if (!local.isEmpty())
        return local;
    const QString rest = email.mid(at + 1);
    return rest.isEmpty() ? email : rest;
}
