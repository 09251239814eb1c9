#include "TlsFiles.h"

#include <QDateTime>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <memory>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace {

std::expected<QByteArray, QString> readFile(const QString& what, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(
            QStringLiteral("cannot read the TLS %1 %2: %3.").arg(what, path, file.errorString()));
    return file.readAll();
}

// Whether the key belongs to the certificate; Qt has no such check, OpenSSL (its TLS backend) has.
bool keyMatches(const QByteArray& certificatePem, const QByteArray& keyPem)
{
    const std::unique_ptr<BIO, decltype(&BIO_free)> certificateBio(
        BIO_new_mem_buf(certificatePem.constData(), int(certificatePem.size())), BIO_free);
    const std::unique_ptr<BIO, decltype(&BIO_free)> keyBio(
        BIO_new_mem_buf(keyPem.constData(), int(keyPem.size())), BIO_free);
    // A callback that gives no passphrase, so an encrypted key fails instead of prompting.
    const auto noPassphrase = [](char*, int, int, void*) { return 0; };
    const std::unique_ptr<X509, decltype(&X509_free)> certificate(
        PEM_read_bio_X509(certificateBio.get(), nullptr, noPassphrase, nullptr), X509_free);
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(keyBio.get(), nullptr, noPassphrase, nullptr), EVP_PKEY_free);
    return certificate && key && X509_check_private_key(certificate.get(), key.get()) == 1;
}

} // namespace

std::expected<QSslConfiguration, QString> TlsFiles::load(
    const QString& certificatePath, const QString& keyPath)
{
    if (!QSslSocket::supportsSsl())
        return std::unexpected(
            QStringLiteral("TLS is not available on this machine (Qt found no TLS library)."));
    const auto certificatePem = readFile(QStringLiteral("certificate"), certificatePath);
    if (!certificatePem)
        return std::unexpected(certificatePem.error());
    const auto keyPem = readFile(QStringLiteral("private key"), keyPath);
    if (!keyPem)
        return std::unexpected(keyPem.error());

    const QList<QSslCertificate> chain = QSslCertificate::fromData(*certificatePem, QSsl::Pem);
    if (chain.isEmpty() || chain.first().isNull())
        return std::unexpected(QStringLiteral("%1 holds no PEM certificate.").arg(certificatePath));
    if (chain.first().expiryDate() < QDateTime::currentDateTimeUtc())
        return std::unexpected(QStringLiteral("the TLS certificate %1 expired on %2.")
                                   .arg(certificatePath, chain.first().expiryDate().toString(Qt::ISODate)));
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        key = QSslKey(*keyPem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            break;
    }
    if (key.isNull())
        return std::unexpected(
            QStringLiteral("%1 holds no unencrypted PEM private key (RSA, EC or DSA).").arg(keyPath));
    if (!keyMatches(*certificatePem, *keyPem))
        return std::unexpected(QStringLiteral("the private key %1 does not belong to the certificate %2.")
                                   .arg(keyPath, certificatePath));

    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}
