#include "richtext/MentionDetector.h"

#include "richtext/IcuText.h"

#include <unicode/regex.h>

#include <QHash>

#include <memory>

namespace {

// The "@" may not follow a letter, digit or underscore, so an e-mail address in running text is no
// mention; the handle is ASCII letters, digits, ".", "_" and "-".
const icu::RegexPattern* mentionPattern()
{
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError error;
        std::unique_ptr<icu::RegexPattern> compiled(
            icu::RegexPattern::compile(icu::UnicodeString(u"(?<![\\p{L}\\p{N}_])@([A-Za-z0-9._-]+)"), 0, error, status));
        return U_SUCCESS(status) ? std::move(compiled) : nullptr;
    }();
    return pattern.get();
}

} // namespace

QList<MentionRange> MentionDetector::find(const QString& text, const QList<BoardUser>& candidates)
{
    QList<MentionRange> mentions;
    const icu::RegexPattern* pattern = mentionPattern();
    if (!pattern || candidates.isEmpty() || text.isEmpty())
        return mentions;

    // A later member with the same handle replaces an earlier one.
    QHash<QString, BoardUser> members;
    for (const BoardUser& candidate : candidates)
        members.insert(candidate.mentionHandle().toLower(), candidate);

    const icu::UnicodeString input = IcuText::view(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status))
        return mentions;
    while (matcher->find(status) && U_SUCCESS(status)) {
        if (matcher->groupCount() < 1)
            continue;
        const int32_t start = matcher->start(status);
        const int32_t end = matcher->end(status);
        const int32_t handleStart = matcher->start(1, status);
        const int32_t handleEnd = matcher->end(1, status);
        if (U_FAILURE(status) || start < 0 || end > text.size() || handleStart < 0)
            continue;
        QString handle = text.mid(handleStart, handleEnd - handleStart).toLower();
        auto member = members.constFind(handle);
        // A full stop may end the sentence rather than the handle ("thanks @alice."): the whole
        // handle is tried first, then without its trailing full stops.
        while (member == members.cend() && handle.endsWith(QLatin1Char('.'))) {
            handle.chop(1);
            member = members.constFind(handle);
        }
        if (member == members.cend() || handle.isEmpty())
            continue;
        const int32_t length = handleStart - start + int32_t(handle.size());
        mentions.append(MentionRange {start, length, handle, *member});
    }
    return mentions;
}

QList<MentionRange> MentionDetector::apply(AttributedText& text, const QList<BoardUser>& candidates, const QColor& mentionColor)
{
    const QList<MentionRange> mentions = find(text.text(), candidates);
    for (const MentionRange& mention : mentions) {
        text.modify(mention.location, mention.length, [&mentionColor](TextAttributes& attributes) {
            attributes.foreground = mentionColor;
            attributes.underline = true;
        });
    }
    return mentions;
}
