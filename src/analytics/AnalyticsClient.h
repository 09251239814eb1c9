// The uploader of usage events. Tracked events go to an on-disk queue at once and are posted in
// batches, as a JSON array, to the track endpoint every flush interval. A batch leaves the queue only
// after a 2xx answer; anything else keeps it for the next flush, so events survive failures and
// restarts. Without a token the client is off: it queues nothing and sends nothing.
#pragma once

#include "analytics/AnalyticsQueue.h"

#include <QCoroTask>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkReply;

class AnalyticsClient : public QObject
{
    Q_OBJECT

public:
    AnalyticsClient(QString token, QUrl endpoint, QString queueDirectory, std::chrono::milliseconds flushInterval,
        QObject* parent = nullptr);
    ~AnalyticsClient() override;

    // PLENKO_ANALYTICS_URL when set, otherwise the endpoint of the bundle information.
    static QUrl defaultEndpoint();
    // "analytics" in the application's data folder.
    static QString defaultQueueDirectory();

    bool isEnabled() const { return !m_token.isEmpty(); }
    QString distinctId() const { return m_queue.distinctId(); }
    qsizetype pendingCount() const { return m_queue.events().size(); }

    // Queues one event; the properties go out as given, with the client's own identity fields added.
    void track(const QString& eventName, const QJsonObject& properties);

    // Sends everything queued, batch by batch, until the queue is empty or an upload fails.
    // Yields true when the queue was emptied; a flush already under way makes this one yield false.
    QCoro::Task<bool> flush();

    // A new anonymous identity for later events; events already tracked are still delivered.
    void reset();

Q_SIGNALS:
    void flushFinished(bool delivered);

private:
    QByteArray batchBody(const QList<QJsonObject>& batch) const;

    QString m_token;
    QUrl m_endpoint;
    AnalyticsQueue m_queue;
    QNetworkAccessManager m_network;
    QTimer m_timer;
    QPointer<QNetworkReply> m_inFlight;
    bool m_flushing = false;
    bool m_closing = false;
};
