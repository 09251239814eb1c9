#include "EmailAddress.h"

#include "HttpError.h"
#include "TextLimits.h"

#include <algorithm>

QString EmailAddress::checked(const QString& email)
{
    const QString address = email.trimmed();
    if (address.size() > TextLimits::email.codeUnits)
        throw HttpError(400, QStringLiteral("INVALID_EMAIL"),
            QStringLiteral("An e-mail address has at most %1 characters.").arg(TextLimits::email.codeUnits));
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    // No control character: PostgreSQL would cut the address short at U+0000, so that it named another.
    const bool control = std::any_of(address.cbegin(), address.cend(), [](QChar c) { return c.unicode() < 0x20; });
    if (at < 1 || at == address.size() - 1 || address.contains(QLatin1Char(' ')) || control)
        throw HttpError(400, QStringLiteral("INVALID_EMAIL"),
            QStringLiteral("\"%1\" is not an e-mail address.").arg(address));
    return address;
}

QString EmailAddress::key(const QString& email)
{
    // Folding can undo the normal form (a folded letter may compose again), hence NFKC once more.
    return email.trimmed()
        .normalized(QString::NormalizationForm_KC)
        .toCaseFolded()
        .normalized(QString::NormalizationForm_KC);
}
