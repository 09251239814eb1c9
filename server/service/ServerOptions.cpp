#include "ServerOptions.h"

#include <QCommandLineParser>

std::expected<ServerOptions, QString> ServerOptions::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in Plenko service for tests and local trials."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("Port on 127.0.0.1; 0 picks a free one."), QStringLiteral("port"),
        QStringLiteral("0"));
    const QCommandLineOption data(QStringLiteral("data"),
        QStringLiteral(
            "Keep the data in this SQLite file, or in the PostgreSQL database of a postgresql:// URI."),
        QStringLiteral("file or URI"));
    const QCommandLineOption snake(
        QStringLiteral("snake-case"), QStringLiteral("Answer with snake_case keys."));
    const QCommandLineOption ttl(QStringLiteral("access-ttl"),
        QStringLiteral("Access token lifetime in seconds."), QStringLiteral("seconds"),
        QStringLiteral("900"));
    const QCommandLineOption latest(QStringLiteral("latest-version"),
        QStringLiteral("Version announced by /appcast.json."), QStringLiteral("version"),
        QStringLiteral(PLENKO_DEVSERVER_DEFAULT_VERSION));
    const QCommandLineOption build(QStringLiteral("latest-build"),
        QStringLiteral("Build number announced by /appcast.json."), QStringLiteral("build"),
        QStringLiteral("1"));
    parser.addOptions({port, data, snake, ttl, latest, build});
    if (!parser.parse(arguments))
        return std::unexpected(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        return std::unexpected(parser.helpText());

    ServerOptions options;
    bool ok = false;
    const uint portValue = parser.value(port).toUInt(&ok);
    if (!ok || portValue > 65535)
        return std::unexpected(QStringLiteral("--port needs a number from 0 to 65535."));
    options.port = quint16(portValue);
    options.accessTtlSeconds = parser.value(ttl).toLongLong(&ok);
    if (!ok || options.accessTtlSeconds < 1)
        return std::unexpected(QStringLiteral("--access-ttl needs a positive number of seconds."));
    options.dataFile = parser.value(data);
    options.snakeCase = parser.isSet(snake);
    options.latestVersion = parser.value(latest).trimmed();
    options.latestBuild = parser.value(build).trimmed();
    if (options.latestVersion.isEmpty())
        return std::unexpected(QStringLiteral("--latest-version must not be empty."));
    return options;
}
