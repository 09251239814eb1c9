// What an operator runs against the configured database, then exits: invitations and people's
// sessions. Each prints its result on standard output and returns the exit code; a refusal is one
// "plenko-server: ..." line on standard error and code 2.
#pragma once

#include <QString>

class PlenkoServer;

namespace OperatorCommands {
int fail(const QString& message);
int invite(PlenkoServer& server, const QString& email);
// One line per session: id, created, last used, client address, client agent (tab-separated).
int listSessions(PlenkoServer& server, const QString& email);
// Ends every session of the account: its tokens are refused from then on.
int revokeSessions(PlenkoServer& server, const QString& email);
}
