#include "richtext/TemporalFormatter.h"

#include "richtext/DateLabelFormatter.h"
#include "richtext/DateParserCache.h"
#include "richtext/DatePatterns.h"
#include "richtext/IcuText.h"
#include "richtext/TemporalBadgeAttachmentCell.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <QHash>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr char16_t thinSpace = u'\u2009';
constexpr char16_t attachmentCharacter = u'\uFFFC';
constexpr qreal badgeScale = 0.8;

} // namespace

TemporalFormatter::TemporalFormatter(const QFont& baseFont, const QColor& highlightColor, const QColor& textColor,
    const QColor& codeAccentColor, const QColor& linkColor, const TemporalContext& context)
    : m_baseFont(baseFont)
    , m_highlightColor(highlightColor)
    , m_textColor(textColor)
    , m_codeAccentColor(codeAccentColor)
    , m_linkColor(linkColor)
    , m_context(context)
{
}

namespace {

// Every detection pattern needs a decimal digit (\d, which ICU reads as any character of category
// Nd), so a text without one cannot match and the regex passes are skipped.
bool hasDecimalDigit(const QString& text)
{
    const auto* chars = reinterpret_cast<const UChar*>(text.utf16());
    const int32_t length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(chars, i, length, c);
        if (u_isdigit(c))
            return true;
    }
    return false;
}

// One matcher per detection pattern for the calling thread, reset onto each text instead of made
// anew for every text and pattern.
std::vector<std::unique_ptr<icu::RegexMatcher>>& detectionMatchers()
{
    thread_local std::vector<std::unique_ptr<icu::RegexMatcher>> matchers = [] {
        std::vector<std::unique_ptr<icu::RegexMatcher>> made;
        for (const icu::RegexPattern* pattern : DatePatterns::detection()) {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(status));
            if (U_SUCCESS(status))
                made.push_back(std::move(matcher));
        }
        return made;
    }();
    return matchers;
}

} // namespace

QList<TemporalFormatter::Match> TemporalFormatter::candidates(const QString& text)
{
    QList<Match> matches;
    if (!hasDecimalDigit(text))
        return matches;
    const icu::UnicodeString input = IcuText::view(text);
    for (const auto& matcher : detectionMatchers()) {
        // The matcher keeps a reference to the input only until its next reset.
        matcher->reset(input);
        UErrorCode status = U_ZERO_ERROR;
        while (matcher->find(status) && U_SUCCESS(status)) {
            const int32_t start = matcher->start(status);
            const int32_t end = matcher->end(status);
            if (U_SUCCESS(status) && end > start)
                matches.append(Match {start, end - start});
        }
    }
    return matches;
}

std::optional<QString> TemporalFormatter::badgeText(const QString& matched) const
{
    const QString trimmed = matched.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // The same dates come back again and again across a board's items, and the answer depends on
    // nothing but the text, the locale and the zone, so it is kept. Bounded: emptied when full.
    constexpr qsizetype keptLabels = 1024;
    thread_local QHash<QString, std::optional<QString>> labels;
    const QString key = m_context.localeName + QLatin1Char('\n') + m_context.timeZoneId + QLatin1Char('\n') + trimmed;
    if (const auto found = labels.constFind(key); found != labels.cend())
        return *found;
    if (labels.size() >= keptLabels)
        labels.clear();
    return *labels.insert(key, parsedLabel(trimmed));
}

std::optional<QString> TemporalFormatter::parsedLabel(const QString& trimmed) const
{
    DateParserCache& parsers = DateParserCache::forZone(m_context.timeZoneId);
    if (const auto moment = parsers.parseDateTime(trimmed))
        return DateLabelFormatter::format(*moment, DateLabelFormatter::Style::DateAndTime, m_context);
    if (const auto moment = parsers.parseDate(trimmed))
        return DateLabelFormatter::format(*moment, DateLabelFormatter::Style::DateOnly, m_context);
    if (const auto moment = parsers.parseTime(trimmed, m_context.localeName))
        return DateLabelFormatter::format(*moment, DateLabelFormatter::Style::TimeOnly, m_context);
    return std::nullopt;
}

bool TemporalFormatter::isProtected(const AttributedText& text, qsizetype location, qsizetype length) const
{
    for (qsizetype i = location; i < location + length; ++i) {
        const TextAttributes& attributes = text.attributesAt(i);
        if (attributes.attachment >= 0 || !attributes.link.isEmpty())
            return true;
        if (attributes.foreground && (*attributes.foreground == m_codeAccentColor || *attributes.foreground == m_linkColor))
            return true;
    }
    return false;
}

QFont TemporalFormatter::badgeFont(const AttributedText& text, qsizetype location) const
{
    QFont font = text.attributesAt(location).font.value_or(m_baseFont);
    // Same family and traits (bold, italic), smaller size.
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * badgeScale);
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * badgeScale)));
    return font;
}

void TemporalFormatter::applyBadges(AttributedText& text) const
{
    if (text.isEmpty())
        return;
    QList<Match> matches = candidates(text.text());
    // From the end backwards, so the ranges still to be processed stay valid; equal locations keep
    // pattern order.
    std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) { return a.location > b.location; });

    std::vector<bool> covered(static_cast<std::size_t>(text.size()), false);
    for (const Match& match : matches) {
        if (match.location < 0 || match.location + match.length > static_cast<qsizetype>(covered.size()))
            continue;
        const auto first = covered.begin() + match.location;
        const auto last = first + match.length;
        if (std::find(first, last, true) != last)
            continue;
        // Covered even when it is skipped below, so an overlapping match elsewhere cannot take its place.
        std::fill(first, last, true);
        if (isProtected(text, match.location, match.length))
            continue;
        const std::optional<QString> label = badgeText(text.text().mid(match.location, match.length));
        if (!label)
            continue;

        const QFont font = badgeFont(text, match.location);
        TextAttributes spacing;
        spacing.font = font;
        spacing.foreground = m_textColor;
        spacing.baselineOffset = TemporalBadgeAttachmentCell::baselineLift;
        TextAttributes badge;
        badge.attachment = text.addAttachment(TemporalBadgeAttachmentCell::make(*label, font, m_textColor, m_highlightColor));
        const QString replacement = QString(QChar(thinSpace)) + QChar(attachmentCharacter) + QChar(thinSpace);
        text.replace(match.location, match.length, replacement, {spacing, badge, spacing});
    }
}
