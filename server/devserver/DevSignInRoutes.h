// /auth/google/*: sign-in without a password, for tests and local trials only.
#pragma once

class Router;
struct Services;

namespace Routes {
// Also adds the token exchange (/auth/login, /auth/refresh, /auth/logout).
void addDevSignIn(Router& router, Services& services);
}
