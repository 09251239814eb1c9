#include "richtext/MentionIdentity.h"

#include <QRegularExpression>
#include <QStringList>

QString MentionIdentity::name(const BoardUser& user)
{
    const QString displayName = user.displayName.value_or(QString()).trimmed();
    return displayName.isEmpty() ? user.mentionHandle() : displayName;
}

QString MentionIdentity::initials(const QString& name)
{
    const QStringList words = name.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QString result;
    for (qsizetype i = 0; i < words.size() && i < 2; ++i) {
        const QString& word = words.at(i);
        // A first letter outside the basic plane is two UTF-16 units.
        result += word.at(0).isHighSurrogate() && word.size() > 1 ? word.left(2) : word.left(1);
    }
    return result.toUpper();
}
