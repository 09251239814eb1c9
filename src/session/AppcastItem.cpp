#include "session/AppcastItem.h"

#include "session/VersionComparison.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::expected<AppcastItem, QString> decodeItem(const QJsonValue& value, qsizetype index)
{
    const QString prefix = QStringLiteral("Release %1 of the update feed").arg(index + 1);
    if (!value.isObject())
        return std::unexpected(prefix + QStringLiteral(" is not an object."));
    const QJsonObject object = value.toObject();
    AppcastItem item;
    const QJsonValue version = object.value(QLatin1String("version"));
    if (!version.isString() || version.toString().trimmed().isEmpty())
        return std::unexpected(prefix + QStringLiteral(" has no version."));
    item.version = version.toString().trimmed();
    const QJsonValue download = object.value(QLatin1String("downloadUrl"));
    item.downloadUrl = QUrl(download.toString(), QUrl::StrictMode);
    if (!download.isString() || !item.downloadUrl.isValid() || item.downloadUrl.scheme().isEmpty())
        return std::unexpected(prefix + QStringLiteral(" has no valid download address."));
    item.build = object.value(QLatin1String("build")).toString();
    item.title = object.value(QLatin1String("title")).toString();
    item.releaseNotes = object.value(QLatin1String("releaseNotes")).toString();
    const QDateTime published
        = QDateTime::fromString(object.value(QLatin1String("publishedAt")).toString(), Qt::ISODate);
    if (published.isValid())
        item.publishedAt = published.toUTC();
    return item;
}

} // namespace

bool AppcastItem::isNewerThan(const QString& currentVersion, const QString& currentBuild) const
{
    switch (compareVersions(version, currentVersion)) {
    case VersionOrder::descending:
        return true;
    case VersionOrder::ascending:
        return false;
    case VersionOrder::same:
        break;
    }
    return !build.isEmpty() && !currentBuild.isEmpty()
        && compareVersions(build, currentBuild) == VersionOrder::descending;
}

std::expected<QList<AppcastItem>, QString> AppcastItem::decodeFeed(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return std::unexpected(
            QStringLiteral("The update feed is not valid JSON: %1.").arg(parseError.errorString()));
    const QJsonValue items = document.object().value(QLatin1String("items"));
    if (!document.isObject() || !items.isArray())
        return std::unexpected(QStringLiteral("The update feed has no list of releases."));
    QList<AppcastItem> releases;
    const QJsonArray array = items.toArray();
    for (qsizetype index = 0; index < array.size(); ++index) {
        std::expected<AppcastItem, QString> item = decodeItem(array.at(index), index);
        if (!item)
            return std::unexpected(item.error());
        releases.append(std::move(*item));
    }
    return releases;
}

std::optional<AppcastItem> AppcastItem::newest(const QList<AppcastItem>& items)
{
    std::optional<AppcastItem> newest;
    for (const AppcastItem& item : items) {
        if (!newest || item.isNewerThan(newest->version, newest->build))
            newest = item;
    }
    return newest;
}

bool AppcastItem::hasSafeDownload() const
{
    return downloadUrl.isValid() && downloadUrl.scheme() == QLatin1String("https") && !downloadUrl.host().isEmpty();
}
