// What a web page says about itself, reduced to what an item's link label needs.
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

struct LinkMetadata
{
    enum class Source { generic, imdb };

    QUrl url;
    QString title;
    std::optional<QString> summary;
    std::optional<int> releaseYear;
    std::optional<double> ratingValue;
    std::optional<double> ratingScale;
    Source source = Source::generic;

    // "8.8/10", "7/10": value and scale (10 when the page names none); absent without a rating.
    std::optional<QString> ratingText() const;

    friend bool operator==(const LinkMetadata&, const LinkMetadata&) = default;
};

// The host of the film and series site whose pages carry release year and rating.
inline constexpr QLatin1StringView movieDatabaseDomain { "imdb.com" };
