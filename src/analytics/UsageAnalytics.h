// The application's usage events: started once at launch with the bundle's project token, then
// every part of the application records its events through track(). Without a token it stays off
// and every call does nothing.
#pragma once

#include "analytics/AnalyticsClient.h"
#include "analytics/UsageEvent.h"

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>



struct AnalyticsSettings
{
    QString token;
    QUrl endpoint;
    QString queueDirectory;
    std::chrono::milliseconds flushInterval { std::chrono::seconds(60) };

    // The bundle's token, the default endpoint and queue folder, a 60 second flush interval.
    static AnalyticsSettings fromBundle();
};

class UsageAnalytics
{
public:
    // Made on first use from the bundle information.
    static UsageAnalytics& shared();

    explicit UsageAnalytics(AnalyticsSettings settings);
    ~UsageAnalytics();
    UsageAnalytics(const UsageAnalytics&) = delete;
    UsageAnalytics& operator=(const UsageAnalytics&) = delete;

    // Starts the client once and records "app_opened"; a blank token leaves it off.
    void initialize();
    bool isStarted() const { return !m_client.isNull(); }

    // Property values are text, numbers or booleans; an event's own property replaces a common one.
    void track(UsageEvent event, const QJsonObject& properties = {});

    // Called at sign-out: later events get a new anonymous identity; those already tracked (the
    // "logout" among them) keep theirs and are still sent.
    void reset();

    // The started client (null while off), for flushing on demand.
    AnalyticsClient* client() const { return m_client.data(); }

    // "app_version", "app_build", "os_version" and "environment"; a missing source value is left out.
    static QJsonObject commonProperties();

private:
    AnalyticsSettings m_settings;
    QPointer<AnalyticsClient> m_client;
};
