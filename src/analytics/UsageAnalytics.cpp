#include "analytics/UsageAnalytics.h"

#include "BundleInfo.h"
#include "analytics/AnalyticsClient.h"

#include <QCoreApplication>
#include <QSysInfo>

AnalyticsSettings AnalyticsSettings::fromBundle()
{
    return { QString::fromUtf8(BundleInfo::analyticsToken), AnalyticsClient::defaultEndpoint(),
        AnalyticsClient::defaultQueueDirectory(), std::chrono::seconds(60) };
}

UsageAnalytics& UsageAnalytics::shared()
{
    static UsageAnalytics analytics(AnalyticsSettings::fromBundle());
    return analytics;
}

UsageAnalytics::UsageAnalytics(AnalyticsSettings settings)
    : m_settings(std::move(settings))
{
}

UsageAnalytics::~UsageAnalytics()
{
    delete m_client.data();
}

void UsageAnalytics::initialize()
{
    if (m_client)
        return;
    const QString token = m_settings.token.trimmed();
    if (token.isEmpty())
        return;
    // Parented to the application so that the shared instance's client goes away with the event loop
    // it needs, not at static destruction.
    m_client = new AnalyticsClient(
        token, m_settings.endpoint, m_settings.queueDirectory, m_settings.flushInterval, QCoreApplication::instance());
    track(UsageEvent::appOpened);
}

void UsageAnalytics::track(UsageEvent event, const QJsonObject& properties)
{
    if (!m_client)
        return;
    QJsonObject all = commonProperties();
    for (auto it = properties.begin(); it != properties.end(); ++it)
        all.insert(it.key(), it.value());
    m_client->track(usageEventName(event), all);
}

void UsageAnalytics::reset()
{
    if (m_client)
        m_client->reset();
}

QJsonObject UsageAnalytics::commonProperties()
{
    QJsonObject common;
    const auto addIfPresent = [&common](const QString& name, const QString& value) {
        const QString trimmed = value.trimmed();
        if (!trimmed.isEmpty())
            common.insert(name, trimmed);
    };
    addIfPresent(QStringLiteral("app_version"), QString::fromUtf8(BundleInfo::shortVersion));
    addIfPresent(QStringLiteral("app_build"), QString::fromUtf8(BundleInfo::build));
    const QString osVersion = QSysInfo::productVersion();
    if (osVersion != QLatin1String("unknown"))
        addIfPresent(QStringLiteral("os_version"), osVersion);
    common.insert(QStringLiteral("environment"), QStringLiteral("production"));
    return common;
}
