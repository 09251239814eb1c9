#include "richtext/MentionCompletion.h"

#include "richtext/TypographicReplacements.h"

namespace MentionCompletion {

bool isHandleCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

namespace {

bool opensMention(QChar c)
{
    return c.isSpace() || c.isPunct() || c.isSymbol();
}

} // namespace

std::optional<MentionState> tokenAt(const QString& text, qsizetype caret)
{
    if (caret < 0 || caret > text.size())
        return std::nullopt;
    qsizetype at = caret;
    while (at > 0 && isHandleCharacter(text[at - 1]))
        --at;
    if (at == 0 || text[at - 1] != QLatin1Char('@'))
        return std::nullopt;
    const qsizetype start = at - 1;
    if (start > 0 && !opensMention(text[start - 1]))
        return std::nullopt;
    qsizetype end = caret;
    while (end < text.size() && isHandleCharacter(text[end]))
        ++end;
    return MentionState { TextRange { start, end - start }, text.mid(start + 1, caret - start - 1) };
}

QString displayName(const BoardUser& user)
{
    const QString name = user.displayName.value_or(QString()).trimmed();
    return name.isEmpty() ? user.mentionHandle() : name;
}

QList<BoardUser> suggestions(const QList<BoardUser>& candidates, const QString& query)
{
    const QString needle = query.trimmed().toLower();
    if (needle.isEmpty())
        return candidates;
    QList<BoardUser> matching;
    for (const BoardUser& user : candidates) {
        if (displayName(user).toLower().contains(needle) || user.mentionHandle().toLower().contains(needle)
            || user.email.toLower().contains(needle))
            matching.append(user);
    }
    return matching;
}

Completion complete(const QString& text, const MentionState& state, const BoardUser& user)
{
    const QString mention = QLatin1Char('@') + user.mentionHandle();
    QString written = text;
    written.replace(state.range.location, state.range.length, mention);
    const QString replaced = applyTypographicReplacements(written);
    // Replacements may shorten the text before the mention; find it again near where it went.
    const qsizetype shift = written.size() - replaced.size();
    qsizetype location = replaced.indexOf(mention, std::max<qsizetype>(0, state.range.location - shift));
    if (location < 0)
        location = std::min(state.range.location, replaced.size());
    const TextRange range { location, mention.size() };
    return Completion { replaced, range.end(), CompletedMention { range, mention } };
}

} // namespace MentionCompletion
