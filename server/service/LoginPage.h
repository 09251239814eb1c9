// The browser side of sign-in: a page where a person picks a known account or types an e-mail and a
// display name; its button leads to /auth/google/complete, which redirects to plenko://auth/callback.
#pragma once

#include <QList>
#include <QString>

struct Account;

namespace LoginPage {
QString page(const QString& nonce, const QList<Account>& accounts);
QString redirectPage(const QString& callbackUrl);
QString problemPage(const QString& message);
}
