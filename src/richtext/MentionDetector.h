// Finds "@handle" words in rendered item text, and styles those that name a board member.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/MentionRange.h"

#include "domain/BoardUser.h"

#include <QColor>
#include <QList>

class MentionDetector
{
public:
    // Colours and underlines the mentions of members in place; returns them in text order.
    static QList<MentionRange> apply(AttributedText& text, const QList<BoardUser>& candidates, const QColor& mentionColor);
    // The mentions of members in plain text, without styling anything.
    static QList<MentionRange> find(const QString& text, const QList<BoardUser>& candidates);
};
