#include "richtext/DatePatterns.h"

#include <array>
#include <memory>
#include <vector>

namespace {

struct PatternSource
{
    const char16_t* pattern;
    uint32_t flags;
};

// Month names, with and without the abbreviation, as one alternation.
#define PLENKO_MONTHS u"(?:Jan(?:uary)?|Feb(?:ruary)?|Mar(?:ch)?|Apr(?:il)?|May|Jun(?:e)?|Jul(?:y)?|Aug(?:ust)?|Sep(?:tember)?|Oct(?:ober)?|Nov(?:ember)?|Dec(?:ember)?)"

const std::array<PatternSource, 6> sources {{
    {u"\\b(?:[0-3]?\\d)[.](?:0?[1-9]|1[0-2])[.]\\d{4}\\b", 0},
    {u"\\b(?:[0-3]?\\d)/(?:0?[1-9]|1[0-2])/\\d{4}\\b", 0},
    {u"\\b(?:[0-3]?\\d)(?:st|nd|rd|th)?\\s+" PLENKO_MONTHS u"\\s+\\d{4}\\b", UREGEX_CASE_INSENSITIVE},
    {u"\\b" PLENKO_MONTHS u"\\s+(?:[0-3]?\\d)(?:st|nd|rd|th)?(?:,)?\\s+\\d{4}\\b", UREGEX_CASE_INSENSITIVE},
    {u"\\b(?:[01]?\\d|2[0-3]):[0-5]\\d(?:\\s?[AaPp][Mm])?\\b", 0},
    {u"\\b\\d{4}[-/]\\d{1,2}[-/]\\d{1,2}\\b", 0},
}};

#undef PLENKO_MONTHS

std::unique_ptr<icu::RegexPattern> compile(const char16_t* pattern, uint32_t flags)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError error;
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(icu::UnicodeString(pattern), flags, error, status));
    if (U_FAILURE(status))
        return nullptr;
    return compiled;
}

} // namespace

const QList<const icu::RegexPattern*>& DatePatterns::detection()
{
    // A pattern that does not compile is left out; the others still find their dates.
    static const std::vector<std::unique_ptr<icu::RegexPattern>> owned = [] {
        std::vector<std::unique_ptr<icu::RegexPattern>> patterns;
        for (const PatternSource& source : sources) {
            if (auto compiled = compile(source.pattern, source.flags))
                patterns.push_back(std::move(compiled));
        }
        return patterns;
    }();
    static const QList<const icu::RegexPattern*> view = [] {
        QList<const icu::RegexPattern*> pointers;
        for (const auto& pattern : owned)
            pointers.append(pattern.get());
        return pointers;
    }();
    return view;
}

const icu::RegexPattern* DatePatterns::ordinalSuffix()
{
    static const std::unique_ptr<icu::RegexPattern> pattern = compile(u"(?i)(\\d+)(st|nd|rd|th)", 0);
    return pattern.get();
}
