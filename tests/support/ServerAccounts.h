// A person's way into plenko-server over HTTP, as the application and its sign-in page take it: the
// sign-in start, the page's sign-up form, and the one-time token exchanged for an access token.
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

// Exchanges a one-time token as the application does; empty when refused.
QString accessToken(ServerProcess& server, const QString& ott);

} // namespace ServerAccounts
