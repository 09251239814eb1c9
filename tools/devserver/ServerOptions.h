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
    QString latestVersion;
    QString latestBuild = QStringLiteral("1");

    static std::expected<ServerOptions, QString> parse(const QStringList& arguments);
};
