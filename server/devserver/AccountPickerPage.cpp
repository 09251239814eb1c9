#include "AccountPickerPage.h"

#include "AuthService.h"
#include "LoginPage.h"

#include <QUrl>

namespace {

QString completeUrl(const QString& nonce, const QString& email, const QString& name)
{
    auto encoded = [](const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); };
    return QStringLiteral("/auth/google/complete?deviceNonce=%1&email=%2&displayName=%3")
        .arg(encoded(nonce), encoded(email), encoded(name));
}

} // namespace

QString AccountPickerPage::page(const QString& nonce, const QList<Account>& accounts)
{
    QString known;
    for (const Account& account : accounts) {
        known += QStringLiteral("<a class=\"account\" href=\"%1\">%2<br><small>%3</small></a>")
                     .arg(completeUrl(nonce, account.email, account.displayName.value_or(QString()))
                              .toHtmlEscaped(),
                         account.shownName().toHtmlEscaped(), account.email.toHtmlEscaped());
    }
    if (!known.isEmpty())
        known = QStringLiteral("<h2>Choose an account</h2>") + known
            + QStringLiteral("<h2>Or use another one</h2>");
    const QString form
        = QStringLiteral("<form method=\"get\" action=\"/auth/google/complete\">"
                         "<input type=\"hidden\" name=\"deviceNonce\" value=\"%1\">"
                         "<input type=\"email\" name=\"email\" placeholder=\"E-mail\" required>"
                         "<input type=\"text\" name=\"displayName\" placeholder=\"Display name\">"
                         "<button type=\"submit\">Sign in to Plenko</button></form>")
              .arg(nonce.toHtmlEscaped());
    return LoginPage::frame(
        QStringLiteral("Sign in to Plenko"), QStringLiteral("<h1>Sign in to Plenko</h1>") + known + form);
}
