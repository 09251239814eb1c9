// One release in the update feed: {"items": [{"version", "build", "title", "releaseNotes",
// "downloadUrl", "publishedAt"}]}. Only the version and the download page are required.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <expected>
#include <optional>

struct AppcastItem
{
    QString version;
    QString build;
    QString title;
    QString releaseNotes;
    QUrl downloadUrl;
    std::optional<QDateTime> publishedAt;

    // Only a secure web page may be opened as the download: the feed could name any address.
    bool hasSafeDownload() const;

    // Newer when its version is newer, or the same version with a newer build.
    bool isNewerThan(const QString& version, const QString& build) const;

    static std::expected<QList<AppcastItem>, QString> decodeFeed(const QByteArray& body);
    // The newest release of the feed, absent when it lists none.
    static std::optional<AppcastItem> newest(const QList<AppcastItem>& items);
};
