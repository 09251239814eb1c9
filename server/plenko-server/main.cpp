// plenko-server: the Plenko service for a team to run.
#include "OperatorCommands.h"
#include "PasswordHash.h"
#include "PlenkoServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

using OperatorCommands::fail;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plenko-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLENKO_SERVER_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Plenko service."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption config(
        QStringLiteral("config"), QStringLiteral("The settings file (INI)."), QStringLiteral("file"));
    const QCommandLineOption invite(QStringLiteral("invite"),
        QStringLiteral("Let this e-mail create an account (invitation-only sign-up), then exit."),
        QStringLiteral("email"));
    const QCommandLineOption listSessions(QStringLiteral("list-sessions"),
        QStringLiteral("List the sessions (sign-ins) of this e-mail's account, then exit."),
        QStringLiteral("email"));
    const QCommandLineOption revokeSessions(QStringLiteral("revoke-sessions"),
        QStringLiteral("End every session of this e-mail's account, then exit."), QStringLiteral("email"));
    parser.addOptions({config, invite, listSessions, revokeSessions});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments().first()));
    if (!parser.isSet(config))
        return fail(QStringLiteral("--config <file> is required."));

    const std::expected<ServerConfig, QString> settings = ServerConfig::load(parser.value(config));
    if (!settings)
        return fail(settings.error());
    if (!PasswordHash::initialise())
        return fail(QStringLiteral("libsodium cannot start on this machine."));

    PlenkoServer server(*settings);
    if (const std::optional<QString> error = server.openDatabase())
        return fail(*error);
    if (parser.isSet(invite))
        return OperatorCommands::invite(server, parser.value(invite));
    if (parser.isSet(listSessions))
        return OperatorCommands::listSessions(server, parser.value(listSessions));
    if (parser.isSet(revokeSessions))
        return OperatorCommands::revokeSessions(server, parser.value(revokeSessions));
    if (const std::optional<QString> error = server.listen())
        return fail(*error);
    // Scripts and tests read the address from this exact line.
    std::fprintf(stdout, "plenko-server listening on %s://%s:%u\n", settings->usesTls() ? "https" : "http",
        qPrintable(settings->address.toString()), unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
