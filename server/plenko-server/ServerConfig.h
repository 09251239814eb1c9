// plenko-server's settings, read from an INI file given with --config. Every key is optional except
// the database path; an unknown key or a value that does not fit is an error naming the key, so a
// typo never silently falls back to a default.
#pragma once

#include "HttpLimits.h"
#include "TrustedProxies.h"

#include <QHostAddress>
#include <QString>
#include <QUrl>
#include <expected>

enum class SignUpPolicy { Open, Invitation };

struct ServerConfig
{
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 8787;
    // Where browsers reach the service (a reverse proxy's address when there is one); empty: the
    // Host header of each request.
    QUrl publicBaseUrl;
    // Peers whose X-Forwarded-For is believed; empty: the peer is the client.
    TrustedProxies trustedProxies;
    // PEM files; both set: the server speaks HTTPS itself.
    QString tlsCertificatePath;
    QString tlsPrivateKeyPath;
    QString databasePath; // a SQLite file or a postgresql:// URI
    SignUpPolicy signUp = SignUpPolicy::Invitation;
    qint64 accessTokenSeconds = 15 * 60;
    int maxSignUpsPerAddress = 10;
    qint64 signUpWindowSeconds = 60 * 60;
    int maxFailuresPerAccount = 5;
    int maxFailuresPerAddress = 20;
    qint64 failureWindowSeconds = 15 * 60;
    // A session that began longer ago than this many days is ended when next used; 0: never.
    int maxSessionAgeDays = 90;
    // Threads that carry requests out, each with its own database connection.
    int workers = 4;
    HttpLimits limits;

    bool usesTls() const { return !tlsCertificatePath.isEmpty(); }

    static std::expected<ServerConfig, QString> load(const QString& path);
};
