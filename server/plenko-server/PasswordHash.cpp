#include "PasswordHash.h"

#include <sodium.h>

bool PasswordHash::initialise()
{
    return sodium_init() >= 0;
}

std::optional<QString> PasswordHash::hash(const QString& password)
{
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        return std::nullopt;
    return QString::fromLatin1(out);
}

bool PasswordHash::verify(const QString& hash, const QString& password)
{
    const QByteArray stored = hash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}
