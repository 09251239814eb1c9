#include "OperatorCommands.h"

#include "HttpError.h"
#include "PlenkoServer.h"
#include "TerminalText.h"

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

// Every text of the database or the command line goes out escaped: a User-Agent, an e-mail or an
// error quoting them may carry control characters meant for the operator's terminal.
QByteArray shown(const QString& text)
{
    return TerminalText::escaped(text);
}

QByteArray shown(const std::optional<QString>& value)
{
    return shown(value.value_or(QStringLiteral("-")));
}

} // namespace

int OperatorCommands::fail(const QString& message)
{
    std::fprintf(stderr, "plenko-server: %s\n", shown(message).constData());
    return 2;
}

int OperatorCommands::invite(PlenkoServer& server, const QString& email)
{
    try {
        server.accounts().invite(email);
    } catch (const HttpError& error) {
        return fail(error.logText());
    }
    std::fprintf(stdout, "%s may now create an account.\n", shown(email.trimmed()).constData());
    return 0;
}

int OperatorCommands::listSessions(PlenkoServer& server, const QString& email)
{
    const std::optional<Account> account = accountOf(server, email);
    if (!account)
        return noAccount(email);
    const QList<SessionInfo> sessions = server.auth().sessions(account->id);
    std::fprintf(stdout, "id\tcreated\tlast used\taddress\tagent\n");
    // Escaped, tabs and line breaks included, so no value can break the columns.
    for (const SessionInfo& session : sessions)
        std::fprintf(stdout, "%s\t%s\t%s\t%s\t%s\n", shown(session.id).constData(),
            shown(session.createdAt).constData(), shown(session.lastUsedAt).constData(),
            shown(session.clientAddress).constData(), shown(session.clientAgent).constData());
    return 0;
}

int OperatorCommands::revokeSessions(PlenkoServer& server, const QString& email)
{
    const std::optional<Account> account = accountOf(server, email);
    if (!account)
        return noAccount(email);
    const qint64 ended = server.auth().revokeSessions(account->id);
    std::fprintf(stdout, "Ended %lld session(s) of %s.\n", ended, shown(account->email).constData());
    return 0;
}
