// The browser side of sign-in on plenko-server: one form for an e-mail and a password, and one to
// create an account (or a note that accounts come by invitation). Both post to the service, which
// redirects to plenko://auth/callback on success. Everything shown is escaped.
#pragma once

#include "ServerConfig.h"

#include <QString>

namespace SignInPage {
// The page; message, when given, is shown above the forms (why the last attempt was refused).
QString page(const QString& nonce, SignUpPolicy policy, const QString& message = {});
}
