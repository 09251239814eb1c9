// The two documents served outside the API: the changelog ({version: [change, ...]}) and the update
// feed ({"items": [{version, build, title, releaseNotes, downloadUrl, publishedAt}]}), whose
// newest version is set on the command line so the updater can be tested against it.
#pragma once

#include <QJsonObject>
#include <QString>

class ReleaseFeed
{
public:
    ReleaseFeed(QString latestVersion, QString latestBuild, QString publishedAt);

    QJsonObject changelog() const;
    QJsonObject appcast(const QString& baseUrl) const;
    QString releasePage(const QString& version) const;

private:
    QString m_latestVersion;
    QString m_latestBuild;
    QString m_publishedAt;
};
