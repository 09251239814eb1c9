#include "analytics/AnalyticsClient.h"

#include "BundleInfo.h"
#include "domain/Ids.h"
#include "domain/Log.h"

#include <QCoroNetworkReply>
#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QUuid>

namespace {

constexpr qsizetype batchSize = 50;
constexpr int uploadTimeoutMs = 30'000;

}

AnalyticsClient::AnalyticsClient(QString token, QUrl endpoint, QString queueDirectory,
    std::chrono::milliseconds flushInterval, QObject* parent)
    : QObject(parent)
    , m_token(token.trimmed())
    , m_endpoint(std::move(endpoint))
    , m_queue(std::move(queueDirectory))
{
    if (!isEnabled())
        return;
    m_timer.setInterval(flushInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] { QCoro::connect(flush(), this, [](bool) { }); });
    m_timer.start();
}

AnalyticsClient::~AnalyticsClient()
{
    // Aborting finishes the reply, which resumes the running flush here; m_closing tells it to stop
    // before it touches anything else.
    m_closing = true;
    if (m_inFlight)
        m_inFlight->abort();
}

QUrl AnalyticsClient::defaultEndpoint()
{
    const QString fromEnvironment = qEnvironmentVariable("PLENKO_ANALYTICS_URL").trimmed();
    return QUrl(fromEnvironment.isEmpty() ? QString::fromUtf8(BundleInfo::analyticsUrl) : fromEnvironment);
}

QString AnalyticsClient::defaultQueueDirectory()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("analytics"));
}

void AnalyticsClient::track(const QString& eventName, const QJsonObject& properties)
{
    if (!isEnabled())
        return;
    QJsonObject all = properties;
    all.insert(QStringLiteral("distinct_id"), m_queue.distinctId());
    all.insert(QStringLiteral("time"), QDateTime::currentMSecsSinceEpoch());
    all.insert(QStringLiteral("insert_id"), uuidText(QUuid::createUuid()));
    m_queue.append(QJsonObject { { QStringLiteral("event"), eventName }, { QStringLiteral("properties"), all } });
}

void AnalyticsClient::reset()
{
    if (!isEnabled())
        return;
    m_queue.startNewIdentity();
}

QCoro::Task<bool> AnalyticsClient::flush()
{
    if (!isEnabled() || m_flushing)
        co_return false;
    m_flushing = true;
    QPointer<AnalyticsClient> self(this);
    bool delivered = true;
    while (!m_queue.isEmpty()) {
        const QList<QJsonObject> batch = m_queue.events().first(std::min(batchSize, m_queue.events().size()));
        QSet<QString> insertIds;
        for (const QJsonObject& event : batch)
            insertIds.insert(AnalyticsQueue::insertIdOf(event));

        QNetworkRequest request(m_endpoint);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        request.setTransferTimeout(uploadTimeoutMs);
        QNetworkReply* reply = m_network.post(request, batchBody(batch));
        m_inFlight = reply;
        co_await reply;
        if (!self || self->m_closing)
            co_return false;
        m_inFlight = nullptr;
        reply->deleteLater();

        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300) {
            m_queue.removeDelivered(insertIds);
            continue;
        }
        const QString reason = status > 0 ? QStringLiteral("HTTP %1").arg(status) : reply->errorString();
        logLine(QStringLiteral("[Analytics] Upload failed (%1): %2 events kept for the next flush")
                    .arg(reason)
                    .arg(m_queue.events().size()));
        delivered = false;
        break;
    }
    m_flushing = false;
    Q_EMIT flushFinished(delivered);
    co_return delivered;
}

// The token travels inside each event, so a batch stands on its own wherever it is received.
QByteArray AnalyticsClient::batchBody(const QList<QJsonObject>& batch) const
{
    QJsonArray array;
    for (QJsonObject event : batch) {
        QJsonObject properties = event.value(QStringLiteral("properties")).toObject();
        properties.insert(QStringLiteral("token"), m_token);
        event.insert(QStringLiteral("properties"), properties);
        array.append(event);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}
