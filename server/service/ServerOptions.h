// The command line of plenko-devserver.
#pragma once

#include <QString>
#include <QStringList>
#include <expected>

struct ServerOptions
{
    quint16 port = 0;
    QString dataFile; // a SQLite file or a postgresql:// URI; empty: keep everything in memory
    bool snakeCase = false;
    qint64 accessTtlSeconds = 15 * 60;
    // Sessions that began longer ago are ended when next used; 0 keeps them.
    qint64 maxSessionAgeSeconds = 0;
    QString latestVersion;
    QString latestBuild = QStringLiteral("1");
    // Absolute addresses in answers (the appcast's download) start with this when set; else with
    // `scheme` and the request's Host.
    QString publicBaseUrl;
    QString scheme = QStringLiteral("http");

    static std::expected<ServerOptions, QString> parse(const QStringList& arguments);
};
