#include "ReleaseFeed.h"

#include <QJsonArray>

namespace {

const char* const firstVersion = "0.1.0";

QJsonArray firstVersionChanges()
{
    return {QStringLiteral("Boards with Todo, In Progress and Done columns, local or in the cloud."),
        QStringLiteral("Invite people to a cloud board with a one-time code."),
        QStringLiteral("Notifications when an item is assigned to you or someone joins your board.")};
}

} // namespace

ReleaseFeed::ReleaseFeed(QString latestVersion, QString latestBuild, QString publishedAt)
    : m_latestVersion(std::move(latestVersion))
    , m_latestBuild(std::move(latestBuild))
    , m_publishedAt(std::move(publishedAt))
{
}

QJsonObject ReleaseFeed::changelog() const
{
    QJsonObject document {{QLatin1String(firstVersion), firstVersionChanges()}};
    if (m_latestVersion != QLatin1String(firstVersion))
        document.insert(m_latestVersion,
            QJsonArray {
                QStringLiteral("Release %1 of the stand-in service's update feed.").arg(m_latestVersion)});
    return document;
}

QJsonObject ReleaseFeed::appcast(const QString& baseUrl) const
{
    const QJsonObject latest {{QStringLiteral("version"), m_latestVersion},
        {QStringLiteral("build"), m_latestBuild},
        {QStringLiteral("title"), QStringLiteral("Plenko %1").arg(m_latestVersion)},
        {QStringLiteral("releaseNotes"), changelog().value(m_latestVersion).toArray().first().toString()},
        {QStringLiteral("downloadUrl"), baseUrl + QStringLiteral("/releases/") + m_latestVersion},
        {QStringLiteral("publishedAt"), m_publishedAt}};
    return {{QStringLiteral("items"), QJsonArray {latest}}};
}

QString ReleaseFeed::releasePage(const QString& version) const
{
    return QStringLiteral(
        "<!doctype html><html><head><meta charset=\"utf-8\"><title>Plenko %1</title></head>"
        "<body><h1>Plenko %1</h1><p>This is the stand-in service's release page; there is no"
        " package to download.</p></body></html>")
        .arg(version.toHtmlEscaped());
}
