#include "OperatorCommands.h"

#include "HttpError.h"
#include "PlenkoServer.h"

#include <cstdio>

namespace {

std::optional<Account> accountOf(PlenkoServer& server, const QString& email)
{
    return server.auth().accountByEmail(email);
}

int noAccount(const QString& email)
{
    return OperatorCommands::fail(QStringLiteral("no account has the e-mail %1.").arg(email.trimmed()));
}

} // namespace

int OperatorCommands::fail(const QString& message)
{
    std::fprintf(stderr, "plenko-server: %s\n", qPrintable(message));
    return 2;
}

int OperatorCommands::invite(PlenkoServer& server, const QString& email)
{
    try {
        server.accounts().invite(email);
    } catch (const HttpError& error) {
        return fail(error.message);
    }
    std::fprintf(stdout, "%s may now create an account.\n", qPrintable(email.trimmed()));
    return 0;
}

int OperatorCommands::listSessions(PlenkoServer& server, const QString& email)
{
    const std::optional<Account> account = accountOf(server, email);
    if (!account)
        return noAccount(email);
    const QList<SessionInfo> sessions = server.auth().sessions(account->id);
    const auto shown
        = [](const std::optional<QString>& value) { return value.value_or(QStringLiteral("-")); };
    std::fprintf(stdout, "id\tcreated\tlast used\taddress\tagent\n");
    for (const SessionInfo& session : sessions) {
        // The agent is whatever the client sent: tabs and line breaks would break the columns.
        QString agent = shown(session.clientAgent);
        agent.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        std::fprintf(stdout, "%s\t%s\t%s\t%s\t%s\n", qPrintable(session.id),
            qPrintable(shown(session.createdAt)), qPrintable(shown(session.lastUsedAt)),
            qPrintable(shown(session.clientAddress)), qPrintable(agent));
    }
    return 0;
}

int OperatorCommands::revokeSessions(PlenkoServer& server, const QString& email)
{
    const std::optional<Account> account = accountOf(server, email);
    if (!account)
        return noAccount(email);
    const qint64 ended = server.auth().revokeSessions(account->id);
    std::fprintf(stdout, "Ended %lld session(s) of %s.\n", ended, qPrintable(account->email));
    return 0;
}
