// The certificate and private key plenko-server serves HTTPS with, read and checked before it
// listens: a missing or unreadable file, one that holds no PEM, an expired certificate or a key that
// does not belong to it is a start-up error rather than a failed handshake for every client.
#pragma once

#include <QSslConfiguration>
#include <QString>
#include <expected>

namespace TlsFiles {
// The certificate file may hold the whole chain, the server's own certificate first.
std::expected<QSslConfiguration, QString> load(const QString& certificatePath, const QString& keyPath);
}
