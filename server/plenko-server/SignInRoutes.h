// plenko-server's own routes: the browser half of sign-in with passwords (start, page, sign-in,
// sign-up; each success redirects to plenko://auth/callback?ott=…) and GET /health.
#pragma once

#include <QUrl>

class AccountDirectory;
class Router;
struct Services;

namespace ServerRoutes {
// Without a public base URL, the sign-in page's address is the request's Host under this scheme.
void addSignIn(Router& router, Services& services, AccountDirectory& accounts, const QUrl& publicBaseUrl,
    const QString& scheme);
void addHealth(Router& router, Services& services);
}
