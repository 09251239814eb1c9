#include "ServerAccounts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QUrlQuery>

namespace ServerAccounts {

QByteArray form(const QList<QPair<QString, QString>>& fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

QString callbackToken(const ServerProcess::Reply& reply)
{
    const QUrl callback(QString::fromUtf8(reply.header("Location")));
    if (reply.status != 302 || callback.scheme() != QLatin1String("plenko")
        || callback.host() != QLatin1String("auth") || callback.path() != QLatin1String("/callback"))
        return {};
    return QUrlQuery(callback).queryItemValue(QStringLiteral("ott"), QUrl::FullyDecoded);
}

bool startSignIn(ServerProcess& server)
{
    const ServerProcess::Reply start = server.get(QStringLiteral("/auth/google/start?deviceNonce=") + nonce);
    const QUrl loginUrl(start.json().value(QStringLiteral("loginUrl")).toString());
    if (start.status != 200 || loginUrl.path() != QLatin1String("/auth/google/page"))
        return false;
    const ServerProcess::Reply page = server.get(loginUrl.path() + QLatin1Char('?') + loginUrl.query());
    return page.status == 200 && page.body.contains("type=\"password\"");
}

ServerProcess::Reply signUp(ServerProcess& server, const QString& email, const QString& password)
{
    return server.post(QStringLiteral("/auth/google/signup"),
        form({{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("email"), email},
            {QStringLiteral("displayName"), QStringLiteral("Ann Lee")},
            {QStringLiteral("password"), password}}),
        formType);
}

ServerProcess::Reply signIn(ServerProcess& server, const QString& email, const QString& password,
    const ServerProcess::Headers& headers)
{
    return server.send("POST", QStringLiteral("/auth/google/complete"),
        form({{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("email"), email},
            {QStringLiteral("password"), password}}),
        formType, {}, headers);
}

Tokens login(ServerProcess& server, const QString& ott, const QByteArray& agent)
{
    ServerProcess::Headers headers;
    if (!agent.isEmpty())
        headers.append({"User-Agent", agent});
    const QJsonObject tokens = server
                                   .send("POST", QStringLiteral("/auth/login"),
                                       QJsonDocument(QJsonObject {{QStringLiteral("deviceNonce"), nonce},
                                                         {QStringLiteral("ott"), ott}})
                                           .toJson(QJsonDocument::Compact),
                                       QByteArrayLiteral("application/json"), {}, headers)
                                   .json();
    return {tokens.value(QStringLiteral("accessToken")).toString(),
        tokens.value(QStringLiteral("refreshToken")).toString()};
}

QString accessToken(ServerProcess& server, const QString& ott)
{
    return login(server, ott).access;
}

QString signedUp(ServerProcess& server, const QString& email, const QString& password)
{
    if (!startSignIn(server))
        return {};
    return accessToken(server, callbackToken(signUp(server, email, password)));
}

QString userId(ServerProcess& server, const QString& accessToken)
{
    return server.getWithToken(QStringLiteral("/api/users/me"), accessToken)
        .json()
        .value(QStringLiteral("user"))
        .toObject()
        .value(QStringLiteral("id"))
        .toString();
}

bool joinBoard(
    ServerProcess& server, const QString& boardId, const QString& ownerAccess, const QString& memberAccess)
{
    const QString code = server
                             .post(QStringLiteral("/api/boards/%1/invitations").arg(boardId), {},
                                 QByteArrayLiteral("application/json"), ownerAccess)
                             .json()
                             .value(QStringLiteral("code"))
                             .toString();
    return server
               .send("PATCH",
                   QStringLiteral("/api/boards/invitations?code=")
                       + QString::fromLatin1(QUrl::toPercentEncoding(code)),
                   {}, {}, memberAccess)
               .status
        == 200;
}

} // namespace ServerAccounts
