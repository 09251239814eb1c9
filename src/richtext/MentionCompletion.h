// Completing @mentions of board members while typing: finding the "@" token at the caret, listing
// the members that match it, and writing the chosen member's handle into the text.
#pragma once

#include "domain/BoardUser.h"

#include <QList>
#include <QString>

#include <optional>

struct TextRange
{
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// The mention token being typed: its range from the "@", and the characters between "@" and caret.
struct MentionState
{
    TextRange range;
    QString query;

    friend bool operator==(const MentionState&, const MentionState&) = default;
};

// A mention the editor inserted: where it is and what it says ("@" and the handle).
struct CompletedMention
{
    TextRange range;
    QString value;

    friend bool operator==(const CompletedMention&, const CompletedMention&) = default;
};

namespace MentionCompletion {

bool isHandleCharacter(QChar c);

// The token at a caret: "@" at the text's start or after white space, punctuation or a symbol.
std::optional<MentionState> tokenAt(const QString& text, qsizetype caret);

// The name shown for a member: the display name trimmed, else the mention handle.
QString displayName(const BoardUser& user);

// Members whose name, handle or e-mail contains the query (no case); all for an empty query.
QList<BoardUser> suggestions(const QList<BoardUser>& candidates, const QString& query);

struct Completion
{
    QString text;
    qsizetype caret = 0;
    CompletedMention mention;
};

// Replaces the token with "@handle" and applies the typographic replacements to the result.
Completion complete(const QString& text, const MentionState& state, const BoardUser& user);

} // namespace MentionCompletion
