#include "LoginPage.h"

QString LoginPage::frame(const QString& title, const QString& body)
{
    return QStringLiteral(
        "<!doctype html><html><head><meta charset=\"utf-8\"><title>%1</title><style>"
        "body{font-family:sans-serif;background:#1e1f22;color:#e8e8e8;display:flex;justify-content:center;"
        "padding-top:10vh}main{width:22rem}input,button{width:100%;box-sizing:border-box;padding:.6rem;"
        "margin:.3rem 0;border-radius:6px;border:1px solid #555;background:#2b2d31;color:inherit}"
        "button{background:#4f7cff;border:none;cursor:pointer}a.account{display:block;padding:.5rem;"
        "margin:.3rem 0;border-radius:6px;background:#2b2d31;color:inherit;text-decoration:none}"
        "</style></head><body><main>%2</main></body></html>")
        .arg(title.toHtmlEscaped(), body);
}

QString LoginPage::redirectPage(const QString& callbackUrl)
{
    return frame(QStringLiteral("Back to Plenko"),
        QStringLiteral("<h1>You're signed in</h1><p>Plenko should open now. If it does not,"
                       " <a href=\"%1\">open Plenko</a>.</p>")
            .arg(callbackUrl.toHtmlEscaped()));
}

QString LoginPage::problemPage(const QString& message)
{
    return frame(QStringLiteral("Sign-in problem"),
        QStringLiteral("<h1>Sign-in problem</h1><p>%1</p><p>Start the sign-in again from Plenko.</p>")
            .arg(message.toHtmlEscaped()));
}
