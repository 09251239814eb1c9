#include "richtext/LinkPageParser.h"

#include "richtext/HtmlScanner.h"
#include "richtext/LinkTextCleaning.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

std::optional<int> firstYear(const QString& text)
{
    static const QRegularExpression fourDigits(QStringLiteral("(\\d{4})"));
    const QRegularExpressionMatch match = fourDigits.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

std::optional<double> numberFrom(const QJsonValue& value)
{
    if (value.isDouble())
        return value.toDouble();
    if (value.isString()) {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (ok)
            return number;
    }
    return std::nullopt;
}

std::optional<int> yearFrom(const QJsonValue& value)
{
    if (value.isDouble()) {
        // Hostile pages may put any number here; only a plausible year converts to int.
        const double year = value.toDouble();
        if (year >= 1.0 && year <= 9999.0)
            return static_cast<int>(year);
        return std::nullopt;
    }
    if (value.isString())
        return firstYear(value.toString());
    return std::nullopt;
}

bool isScreenWork(const QJsonValue& type)
{
    static const QStringList screenTypes { QStringLiteral("Movie"), QStringLiteral("TVSeries"),
                                           QStringLiteral("TVEpisode"), QStringLiteral("TVMiniSeries"),
                                           QStringLiteral("TVSeason") };
    if (type.isString())
        return screenTypes.contains(type.toString());
    if (type.isArray()) {
        for (const QJsonValue& entry : type.toArray()) {
            if (entry.isString() && screenTypes.contains(entry.toString()))
                return true;
        }
    }
    return false;
}

QList<QJsonObject> jsonLdObjects(const QString& html)
{
    QList<QJsonObject> objects;
    for (const QString& block : HtmlScanner::jsonLdBlocks(html)) {
        const QJsonDocument document = QJsonDocument::fromJson(block.trimmed().toUtf8());
        if (document.isObject()) {
            objects.append(document.object());
        } else if (document.isArray()) {
            for (const QJsonValue& entry : document.array()) {
                if (entry.isObject())
                    objects.append(entry.toObject());
            }
        }
    }
    return objects;
}

LinkMetadata screenWorkMetadata(const QJsonObject& work, const QUrl& url)
{
    static const char* const yearKeys[] = { "datePublished", "copyrightYear", "startDate", "releaseDate",
                                            "dateCreated", "year", "released", "endDate" };
    const QString name = work.value(QStringLiteral("name")).toString();
    LinkMetadata metadata { url, decodeEntities(cleanTitle(name)), std::nullopt, std::nullopt,
                            std::nullopt, std::nullopt, LinkMetadata::Source::imdb };
    const QJsonValue description = work.value(QStringLiteral("description"));
    if (description.isString())
        metadata.summary = cleanSummary(description.toString());
    for (const char* key : yearKeys) {
        if (const auto year = yearFrom(work.value(QLatin1String(key)))) {
            metadata.releaseYear = year;
            break;
        }
    }
    if (!metadata.releaseYear)
        metadata.releaseYear = firstYear(name);
    const QJsonValue rating = work.value(QStringLiteral("aggregateRating"));
    if (rating.isObject()) {
        metadata.ratingValue = numberFrom(rating.toObject().value(QStringLiteral("ratingValue")));
        metadata.ratingScale = numberFrom(rating.toObject().value(QStringLiteral("bestRating")));
    }
    return metadata;
}

} // namespace

namespace LinkPageParser {

bool isMovieDatabaseHost(const QUrl& url)
{
    return url.host().toLower().contains(movieDatabaseDomain);
}

std::optional<LinkMetadata> parsePage(const QString& html, const QUrl& url)
{
    if (isMovieDatabaseHost(url)) {
        if (auto metadata = parseMovieDatabasePage(html, url))
            return metadata;
    }
    const auto title = HtmlScanner::titleText(html);
    if (!title)
        return std::nullopt;
    return LinkMetadata { url, decodeEntities(cleanTitle(*title)), std::nullopt, std::nullopt,
                          std::nullopt, std::nullopt, LinkMetadata::Source::generic };
}

std::optional<LinkMetadata> parseMovieDatabasePage(const QString& html, const QUrl& url)
{
    for (const QJsonObject& object : jsonLdObjects(html)) {
        if (isScreenWork(object.value(QStringLiteral("@type"))) && object.value(QStringLiteral("name")).isString())
            return screenWorkMetadata(object, url);
    }

    auto rawTitle = HtmlScanner::metaContent(html, u"property", u"og:title");
    if (!rawTitle)
        rawTitle = HtmlScanner::titleText(html);
    if (!rawTitle)
        return std::nullopt;
    LinkMetadata metadata { url, decodeEntities(cleanTitle(*rawTitle)), std::nullopt, std::nullopt,
                            std::nullopt, std::nullopt, LinkMetadata::Source::imdb };
    if (const auto description = HtmlScanner::metaContent(html, u"property", u"og:description"))
        metadata.summary = cleanSummary(*description);
    else if (const auto plainDescription = HtmlScanner::metaContent(html, u"name", u"description"))
        metadata.summary = cleanSummary(*plainDescription);
    metadata.releaseYear = firstYear(metadata.title);
    return metadata;
}

std::optional<LinkMetadata> fallbackMetadata(const QUrl& url)
{
    const QString fullHost = url.host();
    if (fullHost.isEmpty())
        return std::nullopt;
    static const QRegularExpression leadingWww(QStringLiteral("^www\\."));
    QString host = fullHost;
    host.remove(leadingWww);

    QString label = capitalizeWords(host.split(QLatin1Char('.'), Qt::SkipEmptyParts).join(QLatin1Char(' ')));
    if (label.isEmpty())
        label = host;

    const QStringList pathParts = url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!pathParts.isEmpty()) {
        QString part = pathParts.first();
        part.replace(QLatin1Char('-'), QLatin1Char(' ')).replace(QLatin1Char('_'), QLatin1Char(' '));
        if (!part.isEmpty())
            label += QStringLiteral(" – ") + capitalizeWords(part);
    }

    const auto source = isMovieDatabaseHost(url) ? LinkMetadata::Source::imdb : LinkMetadata::Source::generic;
    return LinkMetadata { url, cleanTitle(label), std::nullopt, std::nullopt, std::nullopt, std::nullopt, source };
}

} // namespace LinkPageParser
