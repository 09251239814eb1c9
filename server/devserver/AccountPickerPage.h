// The devserver's sign-in page: pick a known account or type an e-mail and a display name; no
// password. Its links and form lead to /auth/google/complete.
#pragma once

#include <QList>
#include <QString>

struct Account;

namespace AccountPickerPage {
QString page(const QString& nonce, const QList<Account>& accounts);
}
