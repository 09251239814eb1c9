// plenko-server: the Plenko service for a team to run.
#include "HttpError.h"
#include "PasswordHash.h"
#include "PlenkoServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "plenko-server: %s\n", qPrintable(message));
    return 2;
}

} // namespace

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
    parser.addOptions({config, invite});
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
    if (parser.isSet(invite)) {
        try {
            server.accounts().invite(parser.value(invite));
        } catch (const HttpError& error) {
            return fail(error.message);
        }
        std::fprintf(stdout, "%s may now create an account.\n", qPrintable(parser.value(invite).trimmed()));
        return 0;
    }
    if (const std::optional<QString> error = server.listen())
        return fail(*error);
    // Scripts and tests read the address from this exact line.
    std::fprintf(stdout, "plenko-server listening on http://%s:%u\n",
        qPrintable(settings->address.toString()), unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
