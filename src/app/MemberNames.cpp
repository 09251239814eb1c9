#include "app/MemberNames.h"

#include <QRegularExpression>

QString MemberNames::name(const BoardUser& member)
{
    if (member.displayName && !member.displayName->trimmed().isEmpty())
        return *member.displayName;
    return member.email;
}

QString MemberNames::initials(const QString& name)
{
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList words = name.split(whitespace, Qt::SkipEmptyParts);
    QString initials;
    for (qsizetype i = 0; i < words.size() && i < 2; ++i)
        initials += words.at(i).left(1).toUpper();
    return initials.isEmpty() ? QStringLiteral("?") : initials;
}
