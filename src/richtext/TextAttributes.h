// The attributes one character of rendered item text carries before it becomes a document.
#pragma once

#include "richtext/MarkdownRun.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

struct TextAttributes
{
    std::optional<QFont> font;
    std::optional<QColor> foreground;
    bool underline = false;
    QString link;                // empty when not a link
    InlineIntents inlineIntent;  // emphasis, strong, code, strikethrough: drawn by the document builder
    qreal baselineOffset = 0.0;  // points, upwards
    int attachment = -1;         // index into the text's badge cells, or -1

    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};
