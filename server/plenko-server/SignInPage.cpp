#include "SignInPage.h"

namespace {

QString frame(const QString& body)
{
    return QStringLiteral(
        "<!doctype html><html><head><meta charset=\"utf-8\"><title>Sign in to Plenko</title><style>"
        "body{font-family:sans-serif;background:#1e1f22;color:#e8e8e8;display:flex;justify-content:center;"
        "padding-top:10vh}main{width:22rem}input,button{width:100%;box-sizing:border-box;padding:.6rem;"
        "margin:.3rem 0;border-radius:6px;border:1px solid #555;background:#2b2d31;color:inherit}"
        "button{background:#4f7cff;border:none;cursor:pointer}p.problem{color:#ff8a80}"
        "</style></head><body><main>%1</main></body></html>")
        .arg(body);
}

} // namespace

QString SignInPage::page(const QString& nonce, SignUpPolicy policy, const QString& message)
{
    const QString hiddenNonce = QStringLiteral("<input type=\"hidden\" name=\"deviceNonce\" value=\"%1\">")
                                    .arg(nonce.toHtmlEscaped());
    QString body = QStringLiteral("<h1>Sign in to Plenko</h1>");
    if (!message.isEmpty())
        body += QStringLiteral("<p class=\"problem\">%1</p>").arg(message.toHtmlEscaped());
    body += QStringLiteral("<form method=\"post\" action=\"/auth/google/complete\">%1"
                           "<input type=\"email\" name=\"email\" placeholder=\"E-mail\" required>"
                           "<input type=\"password\" name=\"password\" placeholder=\"Password\" required>"
                           "<button type=\"submit\">Sign in</button></form>")
                .arg(hiddenNonce);
    body += QStringLiteral("<h2>New here?</h2>");
    if (policy == SignUpPolicy::Invitation)
        body += QStringLiteral("<p>Accounts are created by invitation. If you were invited, create yours with"
                               " the e-mail address the invitation went to.</p>");
    body += QStringLiteral(
        "<form method=\"post\" action=\"/auth/google/signup\">%1"
        "<input type=\"email\" name=\"email\" placeholder=\"E-mail\" required>"
        "<input type=\"text\" name=\"displayName\" placeholder=\"Display name\">"
        "<input type=\"password\" name=\"password\" placeholder=\"Password\" minlength=\"8\""
        " required><button type=\"submit\">Create account</button></form>")
                .arg(hiddenNonce);
    return frame(body);
}
