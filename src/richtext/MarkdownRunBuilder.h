// Parses markdown with md4c and collects its callbacks into runs: each run of text with its enclosing
// blocks (innermost first, each with an identity), its inline marks and its link address.
#pragma once

#include "richtext/MarkdownRun.h"

#include <QList>
#include <QString>

#include <optional>

class MarkdownRunBuilder
{
public:
    // Absent when the parser fails.
    static std::optional<QList<MarkdownRun>> parse(const QString& markdown);
};
