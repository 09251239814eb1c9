#include "Tokens.h"

#include <QRandomGenerator>
#include <QUuid>

QString Tokens::random(const QString& prefix)
{
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return prefix
        + QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString Tokens::invitationCode()
{
    static const QLatin1String alphabet("ABCDEFGHJKLMNPQRSTUVWXYZ23456789");
    QString code;
    for (int i = 0; i < 8; ++i)
        code += alphabet.at(QRandomGenerator::system()->bounded(int(alphabet.size())));
    return code;
}

QString Tokens::newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}
