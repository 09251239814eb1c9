#include "ServerAccounts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QUrlQuery>

namespace ServerAccounts {

namespace {

QJsonObject json(const ServerProcess::Reply& reply)
{
    return QJsonDocument::fromJson(reply.body).object();
}

} // namespace

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
    const QUrl loginUrl(json(start).value(QStringLiteral("loginUrl")).toString());
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

QString accessToken(ServerProcess& server, const QString& ott)
{
    return json(
        server.post(QStringLiteral("/auth/login"),
            QJsonDocument(QJsonObject {{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("ott"), ott}})
                .toJson(QJsonDocument::Compact),
            QByteArrayLiteral("application/json")))
        .value(QStringLiteral("accessToken"))
        .toString();
}

} // namespace ServerAccounts
