// A person's way into plenko-server over HTTP, as the application and its sign-in page take it: the
// sign-in start, the page's sign-up and sign-in forms, the one-time token exchanged for tokens, and
// the way onto another person's board.
#pragma once

#include "support/ServerProcess.h"

#include <QList>
#include <QPair>
#include <QString>

namespace ServerAccounts {

inline const QByteArray formType = QByteArrayLiteral("application/x-www-form-urlencoded");
inline const QString nonce = QStringLiteral("5A69788796A5B4C3D2E1F00F1E2D3C4B");

// A form body with its names and values percent-encoded.
QByteArray form(const QList<QPair<QString, QString>>& fields);

// The one-time token of a redirect to plenko://auth/callback, or empty for any other answer.
QString callbackToken(const ServerProcess::Reply& reply);

// Asks for the sign-in page as the application does; true when it offers a password field.
bool startSignIn(ServerProcess& server);

ServerProcess::Reply signUp(ServerProcess& server, const QString& email, const QString& password);

// The sign-in page's password form, sent after startSignIn().
ServerProcess::Reply signIn(ServerProcess& server, const QString& email, const QString& password,
    const ServerProcess::Headers& headers = {});

struct Tokens
{
    QString access;
    QString refresh;
};

// Exchanges a one-time token as the application does, from a client that names itself with this
// agent; empty tokens when refused.
Tokens login(ServerProcess& server, const QString& ott, const QByteArray& agent = {});

// Exchanges a one-time token as the application does; empty when refused.
QString accessToken(ServerProcess& server, const QString& ott);

// A new account's whole sign-up, from the sign-in start to its access token; empty on failure.
QString signedUp(ServerProcess& server, const QString& email, const QString& password);

// The id of the account the access token belongs to; empty when refused.
QString userId(ServerProcess& server, const QString& accessToken);

// The member joins the owner's board with an invitation code the owner makes; false when refused.
bool joinBoard(
    ServerProcess& server, const QString& boardId, const QString& ownerAccess, const QString& memberAccess);

} // namespace ServerAccounts
