// Reads a fetched page into LinkMetadata: the title tag for any site, and for the movie database
// also its structured data (JSON-LD) or, without that, its meta tags.
#pragma once

#include "richtext/LinkMetadata.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace LinkPageParser {

// Absent when the page has no usable title.
std::optional<LinkMetadata> parsePage(const QString& html, const QUrl& url);
std::optional<LinkMetadata> parseMovieDatabasePage(const QString& html, const QUrl& url);

// A label built from the address alone ("News Site Org – My First Post"); absent without a host.
std::optional<LinkMetadata> fallbackMetadata(const QUrl& url);

bool isMovieDatabaseHost(const QUrl& url);

} // namespace LinkPageParser
