#include "PasswordPolicy.h"

#include "TextLimits.h"

#include <QFile>
#include <QList>
#include <QSet>
#include <algorithm>

namespace {

const QSet<QString>& commonPasswords()
{
    static const QSet<QString> list = [] {
        QSet<QString> words;
        QFile file(QStringLiteral(":/plenko-server/common-passwords.txt"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the list of common passwords is missing from the build");
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty() && !line.startsWith('#'))
                words.insert(QString::fromUtf8(line).toCaseFolded());
        }
        return words;
    }();
    return list;
}

bool oneCharacterRepeated(const QString& password)
{
    const QList<uint> characters = password.toUcs4();
    return std::all_of(characters.begin(), characters.end(), [&](uint c) { return c == characters.front(); });
}

} // namespace

std::optional<QString> PasswordPolicy::problem(const QString& password)
{
    const int length = TextLimits::graphemeCount(password);
    if (length < minimumLength || password.size() > maximumLength)
        return QStringLiteral("The password needs %1 to %2 characters.")
            .arg(minimumLength)
            .arg(maximumLength);
    if (password.trimmed().isEmpty() || oneCharacterRepeated(password))
        return QStringLiteral(
            "A password of blanks or of one character repeated is guessed at once. Try a few "
            "unrelated words.");
    if (commonPasswords().contains(password.toCaseFolded()))
        return QStringLiteral("This password is among the most common ones, which attackers try first. "
                              "Choose another, for example a few unrelated words.");
    return std::nullopt;
}
