// Finds the few pieces of a page that carry its title, in time proportional to the page's length.
// Every scan moves forward only, so a hostile page (thousands of unclosed tags, attributes without
// quotes) costs one pass rather than a regular expression's backtracking.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace HtmlScanner {

// The raw text between the first "<title…>" and the "</title>" after it, tags and entities intact.
std::optional<QString> titleText(QStringView html);

// The bodies of every <script type="application/ld+json"> block, in page order.
QStringList jsonLdBlocks(QStringView html);

// The content of the first <meta> tag whose `attribute` has `value` (both compared without case),
// where that attribute comes before `content` inside the tag.
std::optional<QString> metaContent(QStringView html, QStringView attribute, QStringView value);

} // namespace HtmlScanner
