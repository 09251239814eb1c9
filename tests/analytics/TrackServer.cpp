#include "TrackServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QJsonObject>

TrackServer::TrackServer(quint16 port)
{
    m_server.route(QStringLiteral("/track"), QHttpServerRequest::Method::Post, [this](const QHttpServerRequest& request) {
        ++m_requestCount;
        const int status = m_statuses.isEmpty() ? 200 : m_statuses.takeFirst();
        if (status >= 200 && status < 300) {
            const QJsonArray batch = QJsonDocument::fromJson(request.body()).array();
            for (const QJsonValue& event : batch)
                m_accepted.append(event);
        }
        return QHttpServerResponse(static_cast<QHttpServerResponse::StatusCode>(status));
    });
    m_port = m_server.listen(QHostAddress::LocalHost, port);
}

QUrl TrackServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/track").arg(m_port));
}

QStringList TrackServer::acceptedNames() const
{
    QStringList names;
    for (const QJsonValue& event : m_accepted)
        names.append(event.toObject().value(QStringLiteral("event")).toString());
    return names;
}
