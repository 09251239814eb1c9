// A track endpoint on 127.0.0.1 for the analytics tests: records every batch it receives and answers
// with scripted statuses (200 once the script runs out).
#pragma once

#include <QHttpServer>
#include <QJsonArray>
#include <QList>
#include <QUrl>

class TrackServer
{
public:
    // Listens on the port, or on any free port when it is 0.
    explicit TrackServer(quint16 port = 0);

    QUrl url() const;
    quint16 port() const { return m_port; }
    void answerNext(QList<int> statuses) { m_statuses = std::move(statuses); }

    int requestCount() const { return m_requestCount; }
    // The events of every batch answered with 2xx, in arrival order.
    const QJsonArray& accepted() const { return m_accepted; }
    QStringList acceptedNames() const;

private:
    QHttpServer m_server;
    quint16 m_port = 0;
    QList<int> m_statuses;
    int m_requestCount = 0;
    QJsonArray m_accepted;
};
